#pragma once
// Lets the protocol keep the window served during its long steps on the user-interface thread.

namespace updater {

// Installs a pump that handles the events pending on the user-interface thread.
void InstallQtMessagePump();

}  // namespace updater
