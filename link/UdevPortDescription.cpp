// Port descriptions on Linux from libudev: the USB adapter's own strings and ids where the
// port hangs off a USB device, the UART's type and address for a built-in port. udev's
// database adds the names it derived (and the /dev/serial/by-id links) where udevd runs.

#include <libudev.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "link/PortDescription.h"
#include "link/PortList.h"

namespace updater {

namespace {

using UdevContext = std::unique_ptr<udev, decltype(&udev_unref)>;
using UdevDevice = std::unique_ptr<udev_device, decltype(&udev_device_unref)>;

// Pseudo-terminals use the Unix 98 majors 136 to 143.
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;

std::string Text(const char* value) { return value != nullptr ? value : ""; }

std::string Property(udev_device* device, const char* key) {
    return Text(udev_device_get_property_value(device, key));
}

std::string Attribute(udev_device* device, const char* name) {
    return DecodeDatabaseString(Text(udev_device_get_sysattr_value(device, name)));
}

// The first of the values that is not empty.
std::string FirstOf(std::initializer_list<std::string> values) {
    for (const std::string& value : values) {
        if (!value.empty()) return value;
    }
    return {};
}

// The names of the UART types the serial core reports in sysfs (linux/serial_core.h).
std::string UartTypeName(int type) {
    switch (type) {
        case 1:
            return "8250";
        case 2:
            return "16450";
        case 3:
            return "16550";
        case 4:
            return "16550A";
        case 5:
            return "Cirrus";
        case 6:
            return "16650";
        case 7:
            return "16650V2";
        case 8:
            return "16750";
        case 9:
            return "Startech";
        case 10:
            return "16C950";
        case 11:
            return "16654";
        case 12:
            return "16850";
        default:
            return "";
    }
}

void DescribeUsbAdapter(udev_device* tty, udev_device* usb, PortDescription& d) {
    d.product =
        FirstOf({Attribute(usb, "product"), DecodeDatabaseString(Property(tty, "ID_MODEL_ENC")),
                 Property(tty, "ID_MODEL_FROM_DATABASE"), std::string("USB serial adapter")});
    d.vendor = FirstOf({Attribute(usb, "manufacturer"),
                        DecodeDatabaseString(Property(tty, "ID_VENDOR_ENC")),
                        Property(tty, "ID_VENDOR_FROM_DATABASE")});
    const std::string vendorId =
        FirstOf({Attribute(usb, "idVendor"), Property(tty, "ID_VENDOR_ID")});
    const std::string productId =
        FirstOf({Attribute(usb, "idProduct"), Property(tty, "ID_MODEL_ID")});
    if (!vendorId.empty() && !productId.empty()) d.usbId = vendorId + ":" + productId;
    d.serial = FirstOf({Attribute(usb, "serial"), Property(tty, "ID_SERIAL_SHORT")});
}

void DescribeUart(udev_device* tty, PortDescription& d) {
    int type = 0;
    std::istringstream(Attribute(tty, "type")) >> type;
    const std::string name = UartTypeName(type);
    d.product = FirstOf({Property(tty, "ID_MODEL_FROM_DATABASE"),
                         name.empty() ? std::string("serial port") : name + " UART"});
    d.vendor = Property(tty, "ID_VENDOR_FROM_DATABASE");
    const std::string port = Attribute(tty, "port");
    const std::string irq = Attribute(tty, "irq");
    if (!port.empty() && port != "0x0") d.location = "I/O " + port;
    if (!irq.empty() && irq != "0") d.location += (d.location.empty() ? "IRQ " : ", IRQ ") + irq;
}

// The /dev/serial/by-id link to the device: from udev's database, or found on disk.
std::string StableName(udev_device* tty, const std::string& device) {
    std::istringstream links(Property(tty, "DEVLINKS"));
    for (std::string link; links >> link;) {
        if (link.rfind("/dev/serial/by-id/", 0) == 0) return link;
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target = fs::canonical(device, ec);
    if (ec) return {};
    for (fs::directory_iterator it("/dev/serial/by-id", ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code linkError;
        if (fs::canonical(it->path(), linkError) == target && !linkError) {
            return it->path().string();
        }
    }
    return {};
}

bool IsPseudoTerminal(const std::string& device) {
    struct stat info {};
    if (stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    const unsigned devMajor = major(info.st_rdev);
    return devMajor >= kFirstPtyMajor && devMajor <= kLastPtyMajor;
}

}  // namespace

PortDescription DescribePort(const std::string& device) {
    PortDescription d;
    if (IsPseudoTerminal(device)) {
        d.product = "pseudo-terminal";
        return d;
    }
    UdevContext context(udev_new(), &udev_unref);
    if (!context) return d;
    const std::string name = ShortPortName(device);
    UdevDevice tty(udev_device_new_from_subsystem_sysname(context.get(), "tty", name.c_str()),
                   &udev_device_unref);
    if (!tty) return d;
    // The parent is owned by the child: no reference of its own to drop.
    udev_device* usb =
        udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_device");
    if (usb != nullptr) {
        DescribeUsbAdapter(tty.get(), usb, d);
    } else {
        DescribeUart(tty.get(), d);
    }
    d.stableName = StableName(tty.get(), device);
    d.systemConsole = IsSystemConsole(device);
    return d;
}

}  // namespace updater
