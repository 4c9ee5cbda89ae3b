// LinkPort over a real pseudo-terminal: the bytes on the wire, the purge before writes and
// the read of exactly n bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/LinkPort.h"
#include "tests/link/PtyPeer.h"

namespace updater {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Bytes = std::vector<uint8_t>;

Bytes Xor(Bytes bytes, uint8_t key) {
    for (auto& b : bytes) b ^= key;
    return bytes;
}

class LinkPortOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(peer_.Ready());
        ASSERT_EQ(port_.SetPortName(peer_.SlavePath()), 1);
        ASSERT_TRUE(port_.SetReadTimeout(300));
        ASSERT_TRUE(port_.Open());
    }
    void TearDown() override { static_cast<void>(port_.Close()); }

    test::PtyPeer peer_;
    LinkPort port_;
};

TEST_F(LinkPortOnPty, WriteDiscardsInputThatArrivedBefore) {
    ASSERT_TRUE(peer_.Send({0xAA, 0xAB}));
    ASSERT_TRUE(peer_.WaitQueued(2));
    const Bytes block = {0x01, 0x02, 0x03};
    ASSERT_TRUE(port_.WriteBlock(block.data(), 3));
    EXPECT_EQ(peer_.Receive(3), block);

    ASSERT_TRUE(peer_.Send({0x55}));
    uint8_t answer[2] = {};
    EXPECT_TRUE(port_.Read(answer, 1));
    EXPECT_EQ(answer[0], 0x55);
}

TEST_F(LinkPortOnPty, ReadWithoutWriteKeepsWhatArrived) {
    ASSERT_TRUE(peer_.Send({0x10, 0x20}));
    uint8_t answer[2] = {};
    ASSERT_TRUE(port_.Read(answer, 2));
    EXPECT_EQ(answer[0], 0x10);
    EXPECT_EQ(answer[1], 0x20);
}

TEST_F(LinkPortOnPty, ShortReadFailsAfterTheTimeoutAndLeavesBytesAsReceived) {
    port_.linkKey = 0x3C;
    Bytes wire(47);
    for (size_t i = 0; i < wire.size(); ++i) wire[i] = static_cast<uint8_t>(i * 7 + 1);
    ASSERT_TRUE(peer_.Send(wire));

    Bytes buffer(48, 0);
    const auto start = Clock::now();
    EXPECT_FALSE(port_.Read(buffer.data(), 48));
    EXPECT_GE(Clock::now() - start, milliseconds(300));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 47), wire);
    EXPECT_EQ(buffer[47], 0);
}

TEST_F(LinkPortOnPty, ReadCollectsBytesThatArriveInPieces) {
    port_.linkKey = 0x3C;
    const Bytes data(48, 0x61);
    ASSERT_TRUE(peer_.Send(Xor(Bytes(data.begin(), data.begin() + 20), 0x3C)));
    Bytes buffer(48, 0);
    std::thread late([&] {
        std::this_thread::sleep_for(milliseconds(50));
        peer_.Send(Xor(Bytes(data.begin() + 20, data.end()), 0x3C));
    });
    EXPECT_TRUE(port_.Read(buffer.data(), 48));
    late.join();
    EXPECT_EQ(buffer, data);
}

TEST_F(LinkPortOnPty, BlockOfMoreThan2000BytesIsRefusedAndNothingSent) {
    const Bytes tooLong(kMaxBlockLength + 1, 0x77);
    EXPECT_FALSE(port_.WriteBlock(tooLong.data(), static_cast<uint16_t>(tooLong.size())));
    EXPECT_TRUE(peer_.Receive(1, milliseconds(100)).empty());

    const Bytes longest(kMaxBlockLength, 0x78);
    EXPECT_TRUE(port_.WriteBlock(longest.data(), kMaxBlockLength));
    EXPECT_EQ(peer_.Receive(kMaxBlockLength), longest);
}

TEST_F(LinkPortOnPty, EmptyBlockSendsNothingAndSucceeds) {
    EXPECT_TRUE(port_.WriteBlock(nullptr, 0));
    EXPECT_TRUE(peer_.Receive(1, milliseconds(100)).empty());
}

struct KeyCase {
    uint8_t key;
    uint8_t unencrypted;
};

class LinkKeyOnWire : public LinkPortOnPty, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(LinkKeyOnWire, EveryByteButTheHandshakeIsScrambled) {
    const auto [key, unencrypted] = GetParam();
    port_.linkKey = key;
    port_.unencrypted = unencrypted;
    port_.seed = 0x9E;
    port_.replyChecksum = 0x4D;

    const Bytes block = {0x00, 0x57, 0xFF, 0x80, 0x12};
    ASSERT_TRUE(port_.WriteBlock(block.data(), static_cast<uint16_t>(block.size())));
    EXPECT_EQ(peer_.Receive(block.size()), Xor(block, key));

    ASSERT_TRUE(port_.WriteByte(0x06));
    EXPECT_EQ(peer_.Receive(1), Xor({0x06}, key));

    ASSERT_TRUE(port_.WriteHandshakeByte());
    EXPECT_EQ(peer_.Receive(1), Bytes{unencrypted ? uint8_t{0x4D} : uint8_t{0x9E}});

    const Bytes answer = {0x06, 0x15, 0xA5};
    ASSERT_TRUE(peer_.Send(Xor(answer, key)));
    Bytes buffer(answer.size());
    ASSERT_TRUE(port_.Read(buffer.data(), static_cast<uint16_t>(buffer.size())));
    EXPECT_EQ(buffer, answer);
}

INSTANTIATE_TEST_SUITE_P(Keys, LinkKeyOnWire,
                         ::testing::Values(KeyCase{0x00, 0}, KeyCase{0xA7, 0}, KeyCase{0x00, 1},
                                           KeyCase{0x5B, 1}));

TEST(LinkPortClosed, TransfersFail) {
    LinkPort port;
    uint8_t byte = 0;
    EXPECT_FALSE(port.WriteByte(1));
    EXPECT_FALSE(port.WriteHandshakeByte());
    EXPECT_FALSE(port.WriteBlock(&byte, 1));
    EXPECT_FALSE(port.Read(&byte, 1));
}

// A line that goes away, or a stop the user insists on, ends a transfer at once: none waits out
// its time-out (this one would wait a minute) and every later one fails too.
TEST_F(LinkPortOnPty, HangUpOrInterruptEndsTheTransferAtOnce) {
    for (const char* how : {"hang-up", "interrupt"}) {
        SCOPED_TRACE(how);
        test::PtyPeer peer;
        ASSERT_TRUE(peer.Ready());
        LinkPort port;
        ASSERT_EQ(port.SetPortName(peer.SlavePath()), 1);
        ASSERT_TRUE(port.Open());
        ASSERT_TRUE(port.SetReadTimeout(60000));
        std::thread cut([&] {
            if (std::string(how) == "hang-up") {
                peer.HangUp();
            } else {
                port.Interrupt();
            }
        });
        uint8_t byte = 0;
        EXPECT_FALSE(port.Read(&byte, 1));
        cut.join();
        EXPECT_FALSE(port.Read(&byte, 1));
        EXPECT_FALSE(port.WriteByte(0x45));
        EXPECT_TRUE(port.Close());
    }
}

}  // namespace
}  // namespace updater
