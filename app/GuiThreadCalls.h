#pragma once
// Runs calls from other threads on the window's thread and waits for each, like a synchronous
// window message. The hand-over is our own (a queue under a mutex, an eventfd the window's
// event loop watches), not Qt's blocking connection, so that every shared access is one the
// thread sanitizer can see.

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class QSocketNotifier;

namespace updater {

class GuiThreadCalls : public QObject {
  public:
    // Makes the window's wake-up: a descriptor, or -1 with errno set.
    using WakeUpMaker = int (*)();
    static int MakeEventFd();

    // Throws std::system_error when the wake-up cannot be made.
    explicit GuiThreadCalls(QObject* parent, WakeUpMaker makeWakeUp = &MakeEventFd);
    ~GuiThreadCalls() override;

    // On the window's thread: runs `call` at once. From another thread: queues it and returns
    // once the window's thread has run it; throws std::system_error when the window cannot be
    // woken for it.
    void Run(const std::function<void()>& call);

  private:
    struct Pending {
        const std::function<void()>* call;
        bool* done;
    };
    void RunQueued();
    // Signals the window's event loop; 0, or the error that kept it from being signalled.
    int Wake();

    int wake_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::mutex mutex_;
    std::condition_variable ran_;
    std::deque<Pending> queue_;
};

}  // namespace updater
