#include "app/GuiThreadCalls.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <cstdint>
#include <system_error>

namespace updater {

int GuiThreadCalls::MakeEventFd() { return eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

GuiThreadCalls::GuiThreadCalls(QObject* parent, WakeUpMaker makeWakeUp)
    : QObject(parent), wake_(makeWakeUp()) {
    // Without the wake-up no call of the update would ever reach the window.
    if (wake_ < 0) {
        throw std::system_error(errno, std::generic_category(),
                                "cannot make the window's wake-up for the update's calls");
    }
    notifier_ = new QSocketNotifier(wake_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { RunQueued(); });
}

GuiThreadCalls::~GuiThreadCalls() {
    delete notifier_;
    if (wake_ >= 0) ::close(wake_);
}

void GuiThreadCalls::Run(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    bool done = false;
    std::unique_lock lock(mutex_);
    queue_.push_back(Pending{&call, &done});
    if (const int error = Wake(); error != 0) {
        // A call the window was never woken for would be waited on for good: take it back and
        // tell the update, which then ends with the failure.
        queue_.pop_back();
        throw std::system_error(error, std::generic_category(),
                                "cannot wake the window for the update's call");
    }
    ran_.wait(lock, [&] { return done; });
}

int GuiThreadCalls::Wake() {
    const uint64_t one = 1;
    for (;;) {
        if (::write(wake_, &one, sizeof one) == static_cast<ssize_t>(sizeof one)) return 0;
        // A full counter (EAGAIN) means a wake-up is already pending, which serves this call too.
        if (errno == EAGAIN) return 0;
        if (errno != EINTR) return errno;
    }
}

void GuiThreadCalls::RunQueued() {
    // Clears the wake-up; nothing pending (EAGAIN) is fine, the queue below is what counts.
    uint64_t count = 0;
    while (::read(wake_, &count, sizeof count) < 0 && errno == EINTR) {
    }
    std::unique_lock lock(mutex_);
    while (!queue_.empty()) {
        const Pending pending = queue_.front();
        queue_.pop_front();
        lock.unlock();
        (*pending.call)();
        lock.lock();
        *pending.done = true;
        ran_.notify_all();
    }
}

}  // namespace updater
