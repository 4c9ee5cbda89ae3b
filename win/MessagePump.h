#pragma once
// The window's message pump for the protocol's long operations on the user-interface thread
// (the connection check), and the dropping of input queued while the window was busy.

namespace updater::win {

// Installs the pump for the calling thread (protocol/MessagePump.h).
void InstallWin32MessagePump();

// Removes the keyboard and mouse messages waiting in this thread's queue.
void DiscardInput();

}  // namespace updater::win
