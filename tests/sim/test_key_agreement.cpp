#include <gtest/gtest.h>

#include <chrono>

#include "sim/RadioSimulator.h"
#include "tests/sim/ScriptedSteps.h"

namespace updater::sim::test {
namespace {

struct KeyCase {
    const char* name;
    bool unencrypted;  // the handshake byte is the reply checksum itself
};

class SimKeyAgreement : public ::testing::TestWithParam<KeyCase> {};

TEST_P(SimKeyAgreement, ScramblesEverythingAfterTheAckExchange) {
    SimOptions options;
    options.model = {'P',  'Q',  'A',  '7',  '7',  '1',  '2',  ' ',
                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    options.topAreaTag = {0x10, 0x80, 0xFE, 0x03, 0x44, 0x55, 0x66, 0x77,
                          0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x01};
    options.version = std::array<uint8_t, 16>{'V', '1', '.', '0', '2', 0};
    RadioSimulator radio(options);
    ASSERT_TRUE(radio.Start());
    UpdaterLine line(radio.PortPath());
    ASSERT_TRUE(Connect(line));

    ASSERT_TRUE(line.Write({0x02}));
    const auto reply = line.Read(48, 1000);
    ASSERT_EQ(reply.size(), 48u);
    EXPECT_TRUE(std::equal(options.model.begin(), options.model.end(), reply.begin()));
    const uint8_t checksum = ReplyChecksum(reply);
    ASSERT_NE(checksum, 0) << "the key material must make a key other than the seed";

    constexpr uint8_t kSeed = 0x2A;  // minute + second of the Updater's clock
    const uint8_t handshake = GetParam().unencrypted ? checksum : kSeed;
    const uint8_t key = static_cast<uint8_t>(handshake ^ checksum);
    ASSERT_TRUE(line.Write({handshake, kAck}));
    EXPECT_EQ(line.Read(1, 1000), std::vector<uint8_t>{kAck}) << "the ACK is not scrambled";

    line.key = key;
    EXPECT_EQ(Exchange(line, {0x40}, 1000), options.topAreaTag[0]);
    const auto tagRest = line.Read(15, 1000);
    EXPECT_TRUE(std::equal(tagRest.begin(), tagRest.end(), options.topAreaTag.begin() + 1));
    EXPECT_EQ(Exchange(line, {kAck}), kAck);
    ASSERT_TRUE(line.Write({0x50}));
    const auto version = line.Read(16, 1000);
    ASSERT_EQ(version.size(), 16u);
    EXPECT_TRUE(std::equal(version.begin(), version.end(), options.version->begin()));
    EXPECT_EQ(Exchange(line, {kAck}), kAck);

    const SimReport report = radio.Report();
    EXPECT_EQ(report.linkKey, key);
    EXPECT_EQ(report.linkKey == 0, GetParam().unencrypted);
    EXPECT_TRUE(report.ChecksHeld()) << (report.problems.empty() ? "" : report.problems[0]);
}

INSTANTIATE_TEST_SUITE_P(Modes, SimKeyAgreement,
                         ::testing::Values(KeyCase{"Scrambled", false},
                                           KeyCase{"Unencrypted", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimWireTime, IdentityReplyTakesItsTimeOnTheLine) {
    RadioSimulator radio(SimOptions{});
    ASSERT_TRUE(radio.Start());
    UpdaterLine line(radio.PortPath());
    ASSERT_TRUE(Connect(line));
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(line.Write({0x02}));
    ASSERT_EQ(line.Read(48, 1000).size(), 48u);
    // 49 bytes of 11 bits (start, 8 data, 2 stop) at 19200 bit/s: about 28 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - sent,
              std::chrono::microseconds(49 * 11 * 1'000'000 / 19200 - 500));
}

}  // namespace
}  // namespace updater::sim::test
