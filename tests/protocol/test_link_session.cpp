#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "link/LinkPort.h"
#include "protocol/Commands.h"
#include "protocol/LinkSession.h"
#include "protocol/ResultCodes.h"
#include "sim/RadioSimulator.h"

namespace updater {
namespace {

struct TailCase {
    const char* settings;
    int stopBits;
    const char* settingsTail;
    const char* connectionTail;
};

TEST(LinkSessionTail, TakesTheTextFromTheFirstCommaAndSwapsTheStopBits) {
    const TailCase cases[] = {
        {"9600,N,8,2", 2, ",N,8,2", ",N,8,2"},
        {"9600,N,8,2", 1, ",N,8,2", ",N,8,1"},
        {"19200,E,7,1", 2, ",E,7,1", ",E,7,2"},
        {"57600,N,8,1", 0, ",N,8,1", ",N,8,1"},  // no choice made: the settings' own digit
        {",9600,N,8,2", 1, ",N,8,2", ",N,8,1"},  // a comma in front is not the tail's
        {"9600", 2, "", ",N,8,2"},               // no tail at all: the default line format
    };
    for (const TailCase& c : cases) {
        SCOPED_TRACE(std::string(c.settings) + " stop bits " + std::to_string(c.stopBits));
        EXPECT_EQ(SettingsTail(c.settings), c.settingsTail);
        EXPECT_EQ(ConnectionTail(c.settings, c.stopBits), c.connectionTail);
    }
}

TEST(LinkSessionStart, SeedComesFromTheClockAndIsZeroWhenUnencrypted) {
    LinkPort link;
    link.linkKey = 0x5A;
    const uint8_t seed = StartSession(link);
    EXPECT_EQ(seed, link.seed);
    EXPECT_LE(seed, 118);  // minute + second
    EXPECT_EQ(link.linkKey, 0);

    link.unencrypted = 1;
    link.linkKey = 0x5A;
    EXPECT_EQ(StartSession(link), 0);
    EXPECT_EQ(link.seed, 0);
    EXPECT_EQ(link.linkKey, 0);
}

TEST(LinkSessionKey, KeyIsSeedXorReplyChecksumOfBytes32To43) {
    uint8_t reply[kIdentityReplyLength] = {};
    std::fill(std::begin(reply), std::end(reply), uint8_t{0xEE});  // outside 32..43: ignored
    for (int i = 32; i <= 43; ++i) reply[i] = static_cast<uint8_t>(0x20 + i);  // sum 0x342
    LinkPort link;
    link.seed = 0x47;
    SetReplyChecksum(link, reply);
    EXPECT_EQ(link.replyChecksum, 0x42);
    SetLinkKey(link, reply);
    EXPECT_EQ(link.linkKey, 0x47 ^ 0x42);

    // Unencrypted the handshake byte is the checksum, so the key is 0 even with a stale seed.
    link.unencrypted = 1;
    SetLinkKey(link, reply);
    EXPECT_EQ(link.linkKey, 0);
}

TEST(LinkSessionSwitchSpeed, KeepsTheTailAndTheReadTimeout) {
    const std::pair<uint8_t, const char*> cases[] = {
        {kSpeedCode38400, "38400,N,8,1"},
        {kSpeedCode57600, "57600,N,8,1"},
        {kSpeedCode19200, "19200,N,8,1"},
        {7, "19200,N,8,1"},
    };
    LinkPort link;  // closed: the settings are only noted, which is all this needs
    ASSERT_TRUE(link.SetSettings("19200,N,8,1"));
    link.SetReadTimeout(1234);
    for (const auto& [code, settings] : cases) {
        SCOPED_TRACE(static_cast<int>(code));
        EXPECT_TRUE(SwitchSpeed(link, code));
        EXPECT_EQ(link.Settings(), settings);
        EXPECT_EQ(link.ReadTimeout(), 1234u);
    }
}

TEST(LinkSessionCheck, FailedRequestWriteEndsTheSweepAtOnce) {
    LinkPort link;  // never opened: the first write fails
    link.stopBits = 1;
    static_cast<void>(link.SetReadTimeout(1000));
    EXPECT_EQ(CheckConnection(link).fault, LineFault::NotOpen);
    EXPECT_EQ(link.Settings(), "9600,N,8,1");  // no later speed was tried
    EXPECT_EQ(link.ReadTimeout(), 1000u);
}

// The simulated radio on a pseudo-terminal, and the link opened on it.
class RadioOnLine {
  public:
    explicit RadioOnLine(sim::SimOptions options) : radio_(std::move(options)) {}

    bool Connect(int stopBits) {
        if (!radio_.Start()) return false;
        if (link.SetPortName(radio_.PortPath()) != 1) return false;
        link.stopBits = stopBits;
        return static_cast<bool>(OpenLink(link, nullptr));
    }
    ~RadioOnLine() { static_cast<void>(CloseLink(link, nullptr)); }

    sim::SimReport Report() const { return radio_.Report(); }

    LinkPort link;

  private:
    sim::RadioSimulator radio_;
};

TEST(LinkSessionCheck, FindsARadioAtTheFifthSpeedAndEndsAt19200) {
    sim::SimOptions options;
    options.listenSpeed = 1200;
    options.stopBits = 1;
    RadioOnLine line(options);
    ASSERT_TRUE(line.Connect(1));
    uint32_t result = 0;
    EXPECT_TRUE(CheckLink(line.link, &result));
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(line.link.Settings(), "19200,N,8,1");
    EXPECT_EQ(line.link.ReadTimeout(), 1000u);
    EXPECT_EQ(line.link.linkKey, 0);
    EXPECT_TRUE(line.Report().ChecksHeld());
}

bool Logged(const sim::SimReport& report, const std::string& entry) {
    return std::any_of(report.commands.begin(), report.commands.end(),
                       [&](const std::string& c) { return c.find(entry) != std::string::npos; });
}

TEST(LinkSessionCheck, SynWithoutAckMakesTheSweepGoOnToTheLastSpeed) {
    sim::SimOptions options;
    options.faults.noAck = true;
    RadioOnLine line(options);
    ASSERT_TRUE(line.Connect(2));
    uint32_t result = 0;
    EXPECT_FALSE(CheckLink(line.link, &result));
    EXPECT_EQ(result, ERR_NO_LINK);
    const sim::SimReport report = line.Report();
    EXPECT_TRUE(Logged(report, "connection request at 9600"));
    EXPECT_TRUE(Logged(report, "SYN"));
    EXPECT_FALSE(Logged(report, "ACK at 19200"));
    // A failed sweep leaves the line at the last speed it tried.
    EXPECT_EQ(line.link.Settings(), "57600,N,8,2");
    EXPECT_EQ(line.link.ReadTimeout(), 1000u);
}

// The whole sweep without an answer: about 19 s, so it runs once; it says that nothing came.
TEST(LinkSessionCheck, NoRadioGivesNoLinkAfterEverySpeed) {
    sim::SimOptions options;
    options.faults.noSyn = true;
    RadioOnLine line(options);
    ASSERT_TRUE(line.Connect(1));
    static_cast<void>(line.link.SetReadTimeout(750));
    uint32_t result = 0;
    const LineResult found = CheckLink(line.link, &result);
    EXPECT_EQ(found.fault, LineFault::NoRadio);
    EXPECT_EQ(found.seen, SweepSeen::Nothing);
    EXPECT_EQ(result, ERR_NO_LINK);
    EXPECT_TRUE(Logged(line.Report(), "connection request at 9600"));
    EXPECT_EQ(line.link.Settings(), "57600,N,8,1");
    EXPECT_EQ(line.link.ReadTimeout(), 750u);
}

}  // namespace
}  // namespace updater
