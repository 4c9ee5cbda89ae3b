#pragma once
// Drops the keyboard and mouse input queued while the user-interface thread was busy, so that
// keys pressed and clicks made meanwhile have no effect afterwards.

namespace updater::win {

// Removes the keyboard and mouse messages waiting in this thread's queue.
void DiscardInput();

}  // namespace updater::win
