// Windows reports devices to windows (WM_DEVICECHANGE): a watch without one has nothing to
// wait on and says "look again" after each pause.
#include <windows.h>

#include "link/PortWatch.h"

namespace updater {

struct PortWatch::Monitor {};

PortWatch::PortWatch() : monitor_(std::make_unique<Monitor>()) {}

PortWatch::~PortWatch() = default;

int PortWatch::Descriptor() const { return -1; }

bool PortWatch::TakeReports() { return false; }

bool PortWatch::Wait(int timeoutMs) {
    Sleep(static_cast<DWORD>(timeoutMs));
    return true;
}

}  // namespace updater
