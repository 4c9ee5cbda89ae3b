#pragma once
// Drops the keyboard and mouse input queued while the user-interface thread was blocked,
// so that keys pressed and clicks made meanwhile have no effect afterwards.

namespace updater {

void DiscardInput();

}  // namespace updater
