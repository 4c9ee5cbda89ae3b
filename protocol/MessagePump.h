#pragma once
// Lets the window serve one pending message from inside the protocol's long operations
// (the connection check). The core knows no window system: the front end installs the pump.

namespace updater {

using MessagePump = void (*)();

// Installs the pump for the calling thread, the one whose window queue it serves (nullptr
// removes it). Other threads are not affected.
void SetMessagePump(MessagePump pump);
// Serves at most one pending window message; does nothing when no pump is installed.
void PumpOneMessage();

}  // namespace updater
