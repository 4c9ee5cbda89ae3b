// The trace seam: an observer installed on a port sees every operation, every byte on the
// wire and with the link key removed, and every wait; without one nothing is reported.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/LinkPort.h"
#include "link/LinkTrace.h"
#include "link/Timing.h"
#include "tests/link/PtyPeer.h"

namespace updater {
namespace {

using Bytes = std::vector<uint8_t>;

// Records each call as one line of text.
class RecordingTrace : public LinkTrace {
  public:
    std::vector<std::string> events;

    void PortNamed(const std::string&) override { events.push_back("port"); }
    void Opened(const std::string&, bool opened, OpenError) override {
        events.push_back(opened ? "open ok" : "open failed");
    }
    void Closed(const std::string&, bool closed) override {
        events.push_back(closed ? "close ok" : "close failed");
    }
    void SettingsChanged(const std::string& settings, bool open, bool applied) override {
        events.push_back("settings " + settings + (open ? "" : " stored") +
                         (applied ? "" : " failed"));
    }
    void ReadTimeoutChanged(uint32_t ms, bool open, bool) override {
        events.push_back("timeout " + std::to_string(ms) + (open ? "" : " stored"));
    }
    void InputPurged(bool) override { events.push_back("purge"); }
    void Wrote(std::span<const uint8_t> wire, std::span<const uint8_t> plain, bool) override {
        events.push_back("write " + Hex(wire) + " plain " + Hex(plain));
    }
    void Read(size_t wanted, uint32_t timeoutMs, uint32_t, std::span<const uint8_t> wire,
              std::span<const uint8_t> plain) override {
        events.push_back("read " + std::to_string(wanted) + " in " + std::to_string(timeoutMs) +
                         ": " + Hex(wire) + " plain " + Hex(plain));
    }
    void Waited(uint32_t ms) override { events.push_back("wait " + std::to_string(ms)); }
    void StepEnded(const std::string& step, const LineResult&, uint32_t) override {
        events.push_back("step " + step);
    }

  private:
    static std::string Hex(std::span<const uint8_t> bytes) {
        std::string text;
        char pair[3];
        for (uint8_t byte : bytes) {
            std::snprintf(pair, sizeof pair, "%02X", byte);
            text += pair;
        }
        return text;
    }
};

TEST(LinkTrace, SeesEveryOperationAndBothFormsOfEachByte) {
    test::PtyPeer peer;
    ASSERT_TRUE(peer.Ready());
    RecordingTrace trace;
    LinkPort port;
    port.SetTrace(&trace);
    SetWaitTrace(&trace);

    port.SetReadTimeout(200);
    ASSERT_EQ(port.SetPortName(peer.SlavePath()), 1);
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.SetSettings("19200,N,8,1"));
    port.seed = 0x5A;
    port.linkKey = 0x0F;
    const uint8_t block[] = {0x10, 0x20};
    ASSERT_TRUE(port.WriteBlock(block, sizeof block));
    ASSERT_TRUE(port.WriteByte(0x30));
    ASSERT_TRUE(port.WriteHandshakeByte());
    EXPECT_EQ(peer.Receive(4), (Bytes{0x1F, 0x2F, 0x3F, 0x5A}));
    ASSERT_TRUE(peer.Send({0x46}));
    ASSERT_TRUE(peer.WaitQueued(1));
    uint8_t answer = 0;
    ASSERT_TRUE(port.Read(&answer, 1));
    EXPECT_FALSE(port.Read(&answer, 1));  // nothing more comes: a short read is traced too
    WaitMs(1);
    ASSERT_TRUE(port.Close());
    SetWaitTrace(nullptr);
    port.SetTrace(nullptr);
    port.SetReadTimeout(300);  // after removal: not seen

    const std::vector<std::string> expected = {
        "timeout 200 stored",
        "port",
        "open ok",
        "settings 9600,N,8,2",  // Open applies the stored line settings and time-out
        "timeout 200",
        "settings 19200,N,8,1",
        "purge",
        "write 1F2F plain 1020",
        "purge",
        "write 3F plain 30",
        "purge",
        "write 5A plain 5A",  // the handshake byte goes out without the key
        "read 1 in 200: 46 plain 49",
        "read 1 in 200:  plain ",
        "wait 1",
        "close ok",
    };
    EXPECT_EQ(trace.events, expected);
}

}  // namespace
}  // namespace updater
