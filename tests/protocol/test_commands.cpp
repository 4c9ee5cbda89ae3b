#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "link/LinkPort.h"
#include "link/Timing.h"
#include "protocol/Commands.h"
#include "protocol/LinkSession.h"
#include "protocol/ResultCodes.h"
#include "sim/RadioSimulator.h"
#include "tests/support/TestRecords.h"

namespace updater {
namespace {

ImageRecord MakeRecord(uint32_t address, int count, uint8_t first) {
    return MakeTestRecord(address, count, first, 3);
}

TEST(BlockFrame, FullRecordIs134BytesWithTheDataSumLast) {
    const ImageRecord record = MakeRecord(0x0C1280, 128, 0xF0);
    uint8_t frame[kMaxFrameLength];
    std::fill(std::begin(frame), std::end(frame), uint8_t{0xAA});
    ASSERT_EQ(BuildBlockFrame(kFrameWrite, record, frame), 134u);
    EXPECT_EQ(frame[0], 0x57);
    EXPECT_EQ(frame[1], 0x0C);
    EXPECT_EQ(frame[2], 0x12);
    EXPECT_EQ(frame[3], 0x80);
    EXPECT_EQ(frame[4], 128);
    unsigned sum = 0;
    for (int i = 0; i < 128; ++i) {
        const uint8_t expected = static_cast<uint8_t>(0xF0 + 3 * i);
        ASSERT_EQ(frame[5 + i], expected) << "data byte " << i;
        sum += expected;
    }
    EXPECT_EQ(frame[133], sum % 256);
}

TEST(BlockFrame, LengthFollowsTheCountAndRecordsWithoutAFrameGiveZero) {
    struct Case {
        uint32_t address;
        int count;
        size_t length;
    };
    const Case cases[] = {
        {0xF0000, 1, 7},  {0xF0000, 16, 22}, {0x10000, 0, 0},  {0x10000, 129, 0},
        {0x10000, -1, 0}, {0xFFFFFF, 1, 7},  {0xFFFFFF, 2, 0},  // would run past the 24-bit address
                                                                // space
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.address) + "/" + std::to_string(c.count));
        ImageRecord record = MakeRecord(c.address, c.count > 0 && c.count <= 128 ? c.count : 0, 1);
        record.count = c.count;
        uint8_t frame[kMaxFrameLength] = {};
        const size_t length = BuildBlockFrame(kFrameTopArea, record, frame);
        EXPECT_EQ(length, c.length);
        if (length != 0) {
            EXPECT_EQ(frame[0], 0x58);
            EXPECT_EQ(frame[4], c.count);
        }
    }
}

TEST(CommandArguments, NullReplyBufferFailsWithoutACodeAndClosedPortFails) {
    LinkPort link;  // never opened
    uint32_t result = 0;
    EXPECT_FALSE(SendIdentify(link, nullptr, &result));
    EXPECT_FALSE(SendReadVersion(link, nullptr, &result));
    EXPECT_EQ(result, 0u);

    EXPECT_TRUE(CloseLink(link, &result));  // closed already
    EXPECT_EQ(result, 0u);

    ASSERT_EQ(link.SetPortName("/dev/no-such-radio-port"), 1);
    EXPECT_FALSE(OpenLink(link, &result));
    EXPECT_EQ(result, ERR_PORT_OPEN);
    EXPECT_FALSE(SendEnd(link, &result));
    EXPECT_EQ(result, ERR_COMMAND);
    EXPECT_FALSE(SendEnd(link, nullptr));  // no slot: nothing stored, still a failure
}

// The simulated radio on a pseudo-terminal, found and connected at 19200 bit/s.
class ConnectedRadio {
  public:
    explicit ConnectedRadio(sim::SimOptions options, int unencrypted = 0)
        : radio_(std::move(options)) {
        link.unencrypted = static_cast<uint8_t>(unencrypted);
        link.stopBits = 2;
    }
    ~ConnectedRadio() { static_cast<void>(CloseLink(link, nullptr)); }

    bool Connect() {
        if (!radio_.Start()) return false;
        if (link.SetPortName(radio_.PortPath()) != 1) return false;
        return OpenLink(link, nullptr) && CheckLink(link, nullptr);
    }
    sim::SimReport Report() const { return radio_.Report(); }
    std::vector<uint8_t> Memory() const { return radio_.Memory(); }

    LinkPort link;

  private:
    sim::RadioSimulator radio_;
};

uint8_t ChecksumOfIdentity(const std::array<uint8_t, kIdentityReplyLength>& reply) {
    unsigned sum = 0;
    for (int i = 32; i <= 43; ++i) sum += reply[i];
    return static_cast<uint8_t>(sum);
}

class KeyAgreement : public testing::TestWithParam<int> {};

TEST_P(KeyAgreement, KeyIsHandshakeXorChecksumAndLaterCommandsAreUnderstood) {
    const int unencrypted = GetParam();
    sim::SimOptions options;
    std::array<uint8_t, 16> version{};
    for (size_t i = 0; i < version.size(); ++i) version[i] = static_cast<uint8_t>('A' + i);
    options.version = version;
    ConnectedRadio radio(options, unencrypted);
    ASSERT_TRUE(radio.Connect());

    std::array<uint8_t, kIdentityReplyLength> reply{};
    uint32_t result = 0;
    ASSERT_TRUE(SendIdentify(radio.link, reply.data(), &result));
    EXPECT_EQ(result, 0u);
    EXPECT_TRUE(std::equal(options.model.begin(), options.model.end(), reply.begin()));
    const uint8_t checksum = ChecksumOfIdentity(reply);
    EXPECT_EQ(radio.link.replyChecksum, checksum);
    const uint8_t handshake = unencrypted ? checksum : radio.link.seed;
    EXPECT_EQ(radio.link.linkKey, handshake ^ checksum);
    if (unencrypted) {
        EXPECT_EQ(radio.link.linkKey, 0);
    }

    std::array<uint8_t, 16> answer{};
    EXPECT_TRUE(SendReadVersion(radio.link, answer.data(), &result));
    EXPECT_EQ(answer, version);
    EXPECT_TRUE(SendEnd(radio.link, &result));
    EXPECT_EQ(result, 0u);
    const sim::SimReport report = radio.Report();
    EXPECT_EQ(report.linkKey, radio.link.linkKey);  // both ends scramble alike
    EXPECT_TRUE(report.endReceived);
    EXPECT_TRUE(report.ChecksHeld()) << (report.problems.empty() ? "" : report.problems[0]);
}

INSTANTIATE_TEST_SUITE_P(ScrambledAndUnencrypted, KeyAgreement, testing::Values(0, 1));

bool Logged(const sim::SimReport& report, const std::string& entry) {
    return std::any_of(report.commands.begin(), report.commands.end(),
                       [&](const std::string& c) { return c.find(entry) != std::string::npos; });
}

TEST(WriteFrames, ReachTheRadioAsSentUnderTheKey) {
    ConnectedRadio radio(sim::SimOptions{});
    ASSERT_TRUE(radio.Connect());
    std::array<uint8_t, kIdentityReplyLength> reply{};
    ASSERT_TRUE(SendIdentify(radio.link, reply.data(), nullptr));

    // One main-area byte 0x34 makes the radio expect the area checksum 0x34 - 0xFF = 0xFF35.
    const ImageRecord mainByte = MakeRecord(0x0C0000, 1, 0x34);
    uint8_t frame[kMaxFrameLength];
    ASSERT_EQ(BuildBlockFrame(kFrameWrite, mainByte, frame), 7u);
    ASSERT_TRUE(radio.link.WriteBlock(frame, 7));
    WaitMs(50);
    uint32_t result = 0;
    ASSERT_TRUE(SendAddressRange(radio.link, 0xFF35));
    EXPECT_TRUE(WaitAck(radio.link));
    EXPECT_TRUE(SendBracket(radio.link, &result));
    EXPECT_TRUE(SendR(radio.link, '0', '0', &result));
    const ImageRecord record = MakeRecord(0xF0100, 16, 0x10);
    const size_t length = BuildBlockFrame(kFrameTopArea, record, frame);
    ASSERT_EQ(length, 22u);
    ASSERT_TRUE(radio.link.WriteBlock(frame, static_cast<uint16_t>(length)));
    uint8_t answer = 0;
    EXPECT_TRUE(radio.link.Read(&answer, 1));
    EXPECT_EQ(answer, 0x06);
    EXPECT_TRUE(SendSpeedChange(radio.link, kSpeedCode38400));
    EXPECT_EQ(result, 0u);
    // Nothing answers the speed change: give the radio a bounded moment to take it in.
    for (int i = 0; i < 100 && !Logged(radio.Report(), "speed code"); ++i) WaitMs(20);

    const sim::SimReport report = radio.Report();
    EXPECT_TRUE(Logged(report, "address range 0C0000-0EFFFF, checksum 0xFF35"));
    EXPECT_TRUE(Logged(report, "0x5B"));
    EXPECT_TRUE(Logged(report, "area code 00"));
    EXPECT_TRUE(Logged(report, "W x1 from 0x0C0000"));
    EXPECT_TRUE(Logged(report, "X x1 from 0x0F0100"));
    EXPECT_TRUE(Logged(report, "speed code 2 (38400 bit/s)"));
    const std::vector<uint8_t> memory = radio.Memory();
    for (int i = 0; i < record.count; ++i) {
        EXPECT_EQ(memory[record.address + static_cast<uint32_t>(i)], record.ByteAt(i));
    }
}

TEST(IdentifyFaults, ShortReplyFailsBeforeTheHandshakeAndLeavesTheKeyAtZero) {
    sim::SimOptions options;
    options.faults.shortIdentityReply = 47;
    ConnectedRadio radio(options);
    ASSERT_TRUE(radio.Connect());
    std::array<uint8_t, kIdentityReplyLength> reply{};
    uint32_t result = 0;
    EXPECT_FALSE(SendIdentify(radio.link, reply.data(), &result));
    EXPECT_EQ(result, ERR_COMMAND);
    EXPECT_EQ(radio.link.linkKey, 0);
    const sim::SimReport report = radio.Report();
    EXPECT_TRUE(Logged(report, "identify"));
    EXPECT_FALSE(Logged(report, "handshake"));
}

TEST(EndFaults, AnswerOtherThanAckFailsTheEndCommand) {
    sim::SimOptions options;
    options.faults.nakEnd = true;
    ConnectedRadio radio(options);
    ASSERT_TRUE(radio.Connect());
    std::array<uint8_t, kIdentityReplyLength> reply{};
    ASSERT_TRUE(SendIdentify(radio.link, reply.data(), nullptr));
    uint32_t result = 0;
    EXPECT_FALSE(SendEnd(radio.link, &result));
    EXPECT_EQ(result, ERR_COMMAND);
    EXPECT_TRUE(Logged(radio.Report(), "end"));
}

TEST(WaitAckTimeout, NoAckLeavesTheReadTimeoutAsItWas) {
    ConnectedRadio radio(sim::SimOptions{});
    ASSERT_TRUE(radio.Connect());
    radio.link.SetReadTimeout(1000);
    EXPECT_FALSE(WaitAck(radio.link));  // nothing was asked, so nothing answers
    EXPECT_EQ(radio.link.ReadTimeout(), 1000u);
}

}  // namespace
}  // namespace updater
