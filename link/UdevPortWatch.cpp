// The udev monitor behind PortWatch. Where udevd runs, its reports come after it has made the
// device's links; without it (a small system, a container) the kernel's own reports are taken.
#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>

#include "link/PortWatch.h"

namespace updater {

struct PortWatch::Monitor {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;

    ~Monitor() {
        if (monitor != nullptr) udev_monitor_unref(monitor);
        if (context != nullptr) udev_unref(context);
    }
};

PortWatch::PortWatch() : monitor_(std::make_unique<Monitor>()) {
    monitor_->context = udev_new();
    if (monitor_->context == nullptr) return;
    const char* source = access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
    monitor_->monitor = udev_monitor_new_from_netlink(monitor_->context, source);
    if (monitor_->monitor == nullptr) return;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_->monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_->monitor) < 0) {
        udev_monitor_unref(monitor_->monitor);
        monitor_->monitor = nullptr;
    }
}

PortWatch::~PortWatch() = default;

int PortWatch::Descriptor() const {
    return monitor_->monitor != nullptr ? udev_monitor_get_fd(monitor_->monitor) : -1;
}

bool PortWatch::TakeReports() {
    if (monitor_->monitor == nullptr) return false;
    bool changed = false;
    // The monitor's socket does not block: this ends when no report waits.
    while (udev_device* device = udev_monitor_receive_device(monitor_->monitor)) {
        const char* action = udev_device_get_action(device);
        if (action != nullptr &&
            (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
            changed = true;
        }
        udev_device_unref(device);
    }
    return changed;
}

bool PortWatch::Wait(int timeoutMs) {
    const int fd = Descriptor();
    if (fd < 0) {
        usleep(static_cast<useconds_t>(timeoutMs) * 1000);
        return false;
    }
    pollfd waiting{fd, POLLIN, 0};
    if (poll(&waiting, 1, timeoutMs) <= 0) return false;
    return TakeReports();
}

}  // namespace updater
