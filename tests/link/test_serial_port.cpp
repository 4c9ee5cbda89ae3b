// SerialPort over a real pseudo-terminal: naming, opening, line settings and time-outs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "link/LinkPort.h"
#include "link/PortProbe.h"
#include "tests/link/PtyPeer.h"

namespace updater {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class SerialPortOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(peer_.Ready());
        ASSERT_EQ(port_.SetPortName(peer_.SlavePath()), 1);
    }
    void TearDown() override { EXPECT_TRUE(port_.SetOpen(0)); }

    test::PtyPeer peer_;
    LinkPort port_;
};

TEST(SerialPortDefaults, MatchTheRadioLine) {
    LinkPort port;
    EXPECT_EQ(port.Settings(), "9600,N,8,2");
    EXPECT_EQ(port.ReadTimeout(), 1000u);
    EXPECT_EQ(port.InputQueueSize(), 512);
    EXPECT_EQ(port.OutputQueueSize(), 512);
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(port.linkKey, 0);
}

// A pseudo-terminal always reports 8 data bits without parity, so only speed and stop bits
// can be read back here; the parser tests cover the other fields.
struct LineCase {
    const char* text;
    const char* stored;
    speed_t speed;
    bool twoStopBits;
    tcflag_t size;
    bool parity;
};

class LineSettingsOnPty : public SerialPortOnPty, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineSettingsOnPty, ReachTheLine) {
    const LineCase& c = GetParam();
    ASSERT_TRUE(port_.Open());
    ASSERT_TRUE(port_.SetSettings(c.text));
    EXPECT_EQ(port_.Settings(), c.stored);
    const termios tio = peer_.LineSettings();
    EXPECT_EQ(cfgetospeed(&tio), c.speed);
    EXPECT_EQ(cfgetispeed(&tio), c.speed);
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStopBits);
    EXPECT_EQ(tio.c_cflag & CSIZE, c.size);
    EXPECT_EQ((tio.c_cflag & PARENB) != 0, c.parity);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LineSettingsOnPty,
    ::testing::Values(LineCase{"9600,N,8,2", "9600,N,8,2", B9600, true, CS8, false},
                      LineCase{"19200, N, 8, 1", "19200,N,8,1", B19200, false, CS8, false},
                      LineCase{" 57600 ,N,8,2 ", "57600,N,8,2", B57600, true, CS8, false},
                      LineCase{"38400,N,8,1", "38400,N,8,1", B38400, false, CS8, false}));

TEST_F(SerialPortOnPty, MalformedSettingsFailAndLeaveTheLineAsItWas) {
    ASSERT_TRUE(port_.Open());
    ASSERT_TRUE(port_.SetSettings("19200,N,8,1"));
    EXPECT_FALSE(port_.SetSettings("19200,N,8"));
    EXPECT_FALSE(port_.SetSettings("12345,N,8,1"));  // no such line speed
    const termios tio = peer_.LineSettings();
    EXPECT_EQ(cfgetospeed(&tio), B19200);
}

TEST_F(SerialPortOnPty, ASpeedTheDeviceCannotDoIsNamedAsRefused) {
    ASSERT_TRUE(port_.Open());
    EXPECT_TRUE(port_.RefusedSettings().empty());
    EXPECT_FALSE(port_.SetSettings("12345,N,8,2"));
    EXPECT_EQ(port_.RefusedSettings(), "12345,N,8,2");
    const termios tio = peer_.LineSettings();
    EXPECT_EQ(cfgetospeed(&tio), B9600) << "the line stays as it was";
}

TEST_F(SerialPortOnPty, CloseGivesTheLineBackAsItWasFound) {
    termios found = peer_.LineSettings();
    cfsetospeed(&found, B1200);
    cfsetispeed(&found, B1200);
    found.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    peer_.SetLineSettings(found);

    ASSERT_TRUE(port_.Open());
    ASSERT_TRUE(port_.SetSettings("57600,N,8,2"));
    const termios during = peer_.LineSettings();
    ASSERT_EQ(cfgetospeed(&during), B57600);
    ASSERT_TRUE(port_.Close());
    const termios after = peer_.LineSettings();
    EXPECT_EQ(cfgetospeed(&after), B1200);
    EXPECT_EQ(after.c_cflag & CSTOPB, 0u);
}

TEST_F(SerialPortOnPty, ValuesSetWhileClosedTakeEffectAtOpen) {
    const speed_t before = [&] {
        const termios tio = peer_.LineSettings();
        return cfgetospeed(&tio);
    }();
    ASSERT_NE(before, B19200);
    EXPECT_TRUE(port_.SetSettings("19200,N,8,1"));
    EXPECT_TRUE(port_.SetReadTimeout(300));
    EXPECT_EQ(port_.SetInputQueueSize(1024), 1);
    {
        const termios tio = peer_.LineSettings();
        EXPECT_EQ(cfgetospeed(&tio), before);  // nothing on the line yet
    }

    ASSERT_TRUE(port_.Open());
    const termios tio = peer_.LineSettings();
    EXPECT_EQ(cfgetospeed(&tio), B19200);
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);

    uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_FALSE(port_.Read(&byte, 1));
    EXPECT_GE(Clock::now() - start, milliseconds(300));
}

TEST_F(SerialPortOnPty, FailureAfterTheDeviceOpenedLeavesItOpen) {
    ASSERT_TRUE(port_.SetSettings("bogus"));  // stored only while closed
    EXPECT_FALSE(port_.Open());
    EXPECT_EQ(port_.IsOpen(), 1);
    EXPECT_TRUE(port_.SetOpen(1));  // already open: not tried again
    EXPECT_TRUE(port_.SetOpen(0));
    EXPECT_EQ(port_.IsOpen(), 0);

    // Released: the port opens again once the settings are sound.
    ASSERT_TRUE(port_.SetSettings("9600,N,8,2"));
    EXPECT_TRUE(port_.SetOpen(1));
}

TEST_F(SerialPortOnPty, SecondOpenOfAHeldPortFails) {
    ASSERT_TRUE(port_.Open());
    LinkPort other;
    ASSERT_EQ(other.SetPortName(peer_.SlavePath()), 1);
    EXPECT_FALSE(other.Open());
    EXPECT_EQ(other.IsOpen(), 0);
    EXPECT_EQ(other.LastOpenError(), OpenError::Busy);

    ASSERT_TRUE(port_.Close());
    EXPECT_TRUE(other.Open());
    EXPECT_TRUE(other.Close());
}

TEST_F(SerialPortOnPty, OpenOfAnOpenPortIsRefusedAndKeepsIt) {
    ASSERT_TRUE(port_.Open());
    EXPECT_FALSE(port_.Open());
    EXPECT_EQ(port_.IsOpen(), 1);
    EXPECT_TRUE(port_.WriteByte(0x42));
    EXPECT_EQ(peer_.Receive(1), std::vector<uint8_t>{0x42});
}

TEST(SerialPortOpen, MissingDeviceIsNotFoundAndStaysClosed) {
    LinkPort port;
    ASSERT_EQ(port.SetPortName("/dev/no-such-serial-port"), 1);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(port.LastOpenError(), OpenError::NotFound);
    EXPECT_FALSE(port.Close());
}

// Names that open, but not as a serial port, say what they are instead of "refused".
TEST(SerialPortOpen, NameThatIsNoSerialPortSaysWhatItIs) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("updater-not-a-port-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "file").string();
    const std::string fifo = (folder / "fifo").string();
    { std::ofstream(file) << "not a port"; }
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {file, "not a serial port (a regular file)"},
        {folder.string(), "not a serial port (a folder)"},
        {fifo, "not a serial port (a FIFO)"},
        {"/dev/null", "not a serial port (a null device)"},
        {"/dev/ptmx", "not a serial port (a pseudo-terminal master)"},
    };
    for (const auto& [name, text] : cases) {
        LinkPort port;
        ASSERT_EQ(port.SetPortName(name), 1);
        EXPECT_FALSE(port.Open()) << name;
        EXPECT_EQ(port.IsOpen(), 0) << name;
        EXPECT_EQ(port.LastOpenError(), OpenError::NotSerialPort) << name;
        EXPECT_EQ(OpenFailureText(port), text);
    }
    std::filesystem::remove_all(folder);
}

TEST_F(SerialPortOnPty, KeepingTheNameOnAnOpenPortReopensIt) {
    for (bool viaNumber : {true, false}) {
        ASSERT_TRUE(port_.Open());
        // Disturb the line from outside; a real reopen applies the settings again.
        termios tio = peer_.LineSettings();
        cfsetspeed(&tio, B1200);
        peer_.SetLineSettings(tio);

        EXPECT_EQ(viaNumber ? port_.SetPortNumber(0) : port_.SetPortName(peer_.SlavePath()), 1);
        EXPECT_EQ(port_.IsOpen(), 1);
        EXPECT_EQ(port_.PortName(), peer_.SlavePath());
        tio = peer_.LineSettings();
        EXPECT_EQ(cfgetospeed(&tio), B9600);
        EXPECT_TRUE(port_.WriteByte(0x33));
        EXPECT_EQ(peer_.Receive(1), std::vector<uint8_t>{0x33});
        ASSERT_TRUE(port_.Close());
    }
}

// An unset variable in a script names no port: nothing falls back to a device of its own.
TEST_F(SerialPortOnPty, EmptyOrBlankNameIsRefusedAndChangesNothing) {
    ASSERT_TRUE(port_.Open());
    for (const char* name : {"", " ", "\t \n"}) {
        EXPECT_EQ(port_.SetPortName(name), 0) << '"' << name << '"';
        EXPECT_EQ(port_.PortName(), peer_.SlavePath());
        EXPECT_EQ(port_.IsOpen(), 1);
    }
    EXPECT_TRUE(port_.WriteByte(0x5A));
    EXPECT_EQ(peer_.Receive(1), std::vector<uint8_t>{0x5A});
}

TEST(SerialPortOpen, PortNeverNamedOpensNoDevice) {
    LinkPort port;
    EXPECT_EQ(port.PortName(), "");
    EXPECT_EQ(port.SetPortNumber(0), 1);
    EXPECT_EQ(port.PortName(), "");
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(port.LastOpenError(), OpenError::NotFound);
}

TEST_F(SerialPortOnPty, RenamingAnOpenPortToAMissingOneReportsFailure) {
    ASSERT_TRUE(port_.Open());
    EXPECT_EQ(port_.SetPortName("/dev/no-such-serial-port"), 0);
    EXPECT_EQ(port_.IsOpen(), 0);
    EXPECT_EQ(port_.PortName(), "/dev/no-such-serial-port");
}

TEST_F(SerialPortOnPty, NamingAClosedPortOnlyStoresTheName) {
    EXPECT_EQ(port_.SetPortNumber(0), 1);
    EXPECT_EQ(port_.PortName(), peer_.SlavePath());
    EXPECT_EQ(port_.SetPortNumber(3), 1);
    EXPECT_EQ(port_.PortName(), "/dev/ttyS2");
    EXPECT_EQ(port_.IsOpen(), 0);
}

TEST_F(SerialPortOnPty, PseudoTerminalIsNotRs232) {
    EXPECT_EQ(port_.IsRs232(), 0);  // closed: the query fails
    ASSERT_TRUE(port_.Open());
    EXPECT_EQ(port_.IsRs232(), 0);
}

}  // namespace
}  // namespace updater
