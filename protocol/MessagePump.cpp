#include "protocol/MessagePump.h"

namespace updater {

namespace {

// The pump serves the window's queue, which belongs to the thread that installed it: one pump
// per thread, so that no update shares it with another, and the transfer passes (threads of
// their own, without a queue) find none.
thread_local MessagePump installed = nullptr;

}  // namespace

void SetMessagePump(MessagePump pump) { installed = pump; }

void PumpOneMessage() {
    // Read before the call: the pump may dispatch a handler that installs or removes it.
    if (const MessagePump pump = installed; pump != nullptr) pump();
}

}  // namespace updater
