// How a port is shown: the label of the window's list and the one-line description.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "link/PortDescription.h"
#include "link/PortProbe.h"

namespace updater {
namespace {

struct LabelCase {
    const char* device;
    PortDescription description;
    const char* label;
    const char* text;
};

void PrintTo(const LabelCase& c, std::ostream* out) { *out << c.device; }

class PortLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(PortLabels, ShowWhatTheSystemKnows) {
    const LabelCase& c = GetParam();
    EXPECT_EQ(PortLabel(c.device, c.description), c.label);
    EXPECT_EQ(DescriptionText(c.description), c.text);
}

PortDescription Ftdi() {
    PortDescription d;
    d.product = "FT232R USB UART";
    d.vendor = "FTDI";
    d.usbId = "0403:6001";
    d.serial = "A50285BI";
    d.stableName = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    return d;
}

PortDescription Uart() {
    PortDescription d;
    d.product = "16550A UART";
    d.location = "I/O 0x3F8, IRQ 4";
    return d;
}

PortDescription ConsoleUart() {
    PortDescription d = Uart();
    d.systemConsole = true;
    return d;
}

PortDescription PseudoTerminal() {
    PortDescription d;
    d.product = "pseudo-terminal";
    return d;
}

// Windows: only the friendly name the Device Manager shows.
PortDescription WindowsAdapter() {
    PortDescription d;
    d.friendlyName = "USB Serial Port (COM3)";
    d.vendor = "FTDI";
    d.usbId = "0403:6001";
    return d;
}

// Windows with the adapter's own text (the bus-reported description) and its serial number.
PortDescription WindowsAdapterWithProduct() {
    PortDescription d = WindowsAdapter();
    d.product = "FT232R USB UART";
    d.serial = "A50285BI";
    return d;
}

// A built-in port whose friendly name carries no port name.
PortDescription WindowsBuiltIn() {
    PortDescription d;
    d.friendlyName = "Communications Port";
    return d;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortLabels,
    ::testing::Values(
        LabelCase{"/dev/ttyUSB0", Ftdi(), "ttyUSB0 \u2014 FT232R USB UART (A50285BI)",
                  "FT232R USB UART, FTDI, USB 0403:6001, serial A50285BI, "
                  "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"},
        LabelCase{"/dev/ttyS0", Uart(), "ttyS0 \u2014 16550A UART",
                  "16550A UART, I/O 0x3F8, IRQ 4"},
        LabelCase{"/dev/ttyS0", ConsoleUart(), "ttyS0 \u2014 16550A UART (system console)",
                  "16550A UART, I/O 0x3F8, IRQ 4, system console"},
        LabelCase{"COM3", WindowsAdapter(), "COM3 \u2014 USB Serial Port",
                  "USB Serial Port (COM3), FTDI, USB 0403:6001"},
        LabelCase{"COM3", WindowsAdapterWithProduct(), "COM3 \u2014 FT232R USB UART (A50285BI)",
                  "USB Serial Port (COM3), FT232R USB UART, FTDI, USB 0403:6001, "
                  "serial A50285BI"},
        LabelCase{"\\\\.\\COM12", WindowsBuiltIn(), "COM12 \u2014 Communications Port",
                  "Communications Port"},
        LabelCase{"\\\\.\\COM12", {}, "COM12", ""}, LabelCase{"/dev/ttyACM0", {}, "ttyACM0", ""},
        LabelCase{"/dev/pts/3", PseudoTerminal(), "pts/3 \u2014 pseudo-terminal",
                  "pseudo-terminal"}));

TEST(DecodeDatabaseString, UndoesHexEscapesAndPadding) {
    EXPECT_EQ(DecodeDatabaseString("FT232R\\x20USB\\x20UART"), "FT232R USB UART");
    EXPECT_EQ(DecodeDatabaseString("Prolific\\x20\\x20"), "Prolific");
    EXPECT_EQ(DecodeDatabaseString("odd\\x2"), "odd\\x2");
    EXPECT_EQ(DecodeDatabaseString("no\\xZZescape"), "no\\xZZescape");
}

TEST(AccessReason, TellsTheUserWhatToDo) {
    EXPECT_EQ(AccessReason(PortAccess::Usable, ""), "");
    EXPECT_EQ(AccessReason(PortAccess::Busy, ""), "in use by another program");
    EXPECT_EQ(AccessReason(PortAccess::Busy, "minicom (pid 4711)"), "in use by minicom (pid 4711)");
#ifndef _WIN32
    EXPECT_NE(AccessReason(PortAccess::PermissionDenied, "").find("'dialout' group"),
              std::string::npos);
#endif
    EXPECT_EQ(AccessFor(OpenError::NotFound), PortAccess::NotFound);
    EXPECT_EQ(AccessFor(OpenError::PermissionDenied), PortAccess::PermissionDenied);
    EXPECT_EQ(AccessFor(OpenError::Busy), PortAccess::Busy);
    EXPECT_EQ(AccessFor(OpenError::Other), PortAccess::Other);
}

}  // namespace
}  // namespace updater
