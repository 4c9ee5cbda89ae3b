#include "protocol/MessagePump.h"

#include <mutex>
#include <thread>

namespace updater {

namespace {

// The pump serves the window's queue, which belongs to the thread that installed it. Other
// threads (the transfer passes) have no queue of their own here, so for them it does nothing.
struct InstalledPump {
    std::mutex mutex;
    MessagePump pump = nullptr;
    std::thread::id owner;
};

InstalledPump& Installed() {
    static InstalledPump installed;
    return installed;
}

}  // namespace

void SetMessagePump(MessagePump pump) {
    InstalledPump& installed = Installed();
    std::lock_guard lock(installed.mutex);
    installed.pump = pump;
    installed.owner = pump != nullptr ? std::this_thread::get_id() : std::thread::id{};
}

void PumpOneMessage() {
    InstalledPump& installed = Installed();
    MessagePump pump = nullptr;
    {
        std::lock_guard lock(installed.mutex);
        if (installed.owner != std::this_thread::get_id()) return;
        pump = installed.pump;
    }
    // Called outside the lock: the pump may dispatch a handler that installs or removes it.
    if (pump != nullptr) pump();
}

}  // namespace updater
