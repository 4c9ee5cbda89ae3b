#pragma once
// What the system's device database knows about a serial port, so that a technician with two
// adapters can tell them apart: libudev on Linux, SetupAPI on Windows.

#include <string>

namespace updater {

struct PortDescription {
    std::string
        product;  // the adapter's own text: "FT232R USB UART", "16550A UART", "pseudo-terminal"
    std::string vendor;          // "FTDI"
    std::string usbId;           // vendor:product id, "0403:6001"
    std::string serial;          // the adapter's serial number, "A50285BI"
    std::string location;        // where a built-in UART sits: "I/O 0x3F8, IRQ 4"
    std::string stableName;      // a name that survives re-plugging: /dev/serial/by-id/...
    std::string friendlyName;    // Windows: "USB Serial Port (COM3)"
    bool systemConsole = false;  // the kernel writes its messages to this port
};

// The description of the device that `device` names ("/dev/ttyUSB0", "COM3", "\\.\COM12");
// empty fields where the database knows nothing.
PortDescription DescribePort(const std::string& device);

// The port's own short name: "ttyUSB0" for "/dev/ttyUSB0", "pts/3" for "/dev/pts/3", "COM12"
// for "\\.\COM12".
std::string ShortPortName(const std::string& device);

// Everything known, in one line: "FT232R USB UART, FTDI, USB 0403:6001, serial A50285BI,
// /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", ending "system console" for
// the port the kernel writes its messages to. Empty when nothing is known.
std::string DescriptionText(const PortDescription& description);

// The text a port list shows, the port's name first so that a technician finds it at a glance
// and a narrow list still shows it whole: "ttyUSB0 — FT232R USB UART (A50285BI)",
// "COM3 — FT232R USB UART (A50285BI)". Without the adapter's own text the friendly name stands
// in, without its "(COM3)" tail: "COM1 — Communications Port". The short name alone when
// nothing is known; " (system console)" after the port the kernel writes its messages to.
std::string PortLabel(const std::string& device, const PortDescription& description);

// A friendly name without the port's name that Windows puts at its end:
// "USB Serial Port (COM3)" becomes "USB Serial Port" for port "COM3".
std::string FriendlyNameWithoutPort(const std::string& friendlyName, const std::string& portName);

// The "\x20"-style escapes of the device database's encoded strings, decoded.
std::string DecodeDatabaseString(const std::string& encoded);

}  // namespace updater
