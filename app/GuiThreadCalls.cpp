#include "app/GuiThreadCalls.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QThread>
#include <cstdint>

namespace updater {

GuiThreadCalls::GuiThreadCalls(QObject* parent)
    : QObject(parent), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
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
    const uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
    ran_.wait(lock, [&] { return done; });
}

void GuiThreadCalls::RunQueued() {
    uint64_t count = 0;
    [[maybe_unused]] const auto got = ::read(wake_, &count, sizeof count);
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
