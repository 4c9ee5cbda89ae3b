#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "link/PacedWrite.h"

namespace updater {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// A clock that moves only when told: the driver's write and the wait after it advance it, so
// the moment the next byte can go is read off exactly, whatever the load on the machine.
class ManualClock final : public WireClock {
  public:
    TimePoint Now() override { return now; }
    void WaitUntil(TimePoint deadline) override {
        waited = true;
        if (deadline > now) now = deadline;
    }
    TimePoint now{};
    bool waited = false;
};

struct Frame {
    const char* what;
    size_t bytes;
    uint64_t bitsPerByte;
    uint64_t speed;
};

// A 'W' frame at the transfer speeds, with one and with two stop bits, and a single byte.
const Frame kFrames[] = {
    {"134 bytes at 38400 bit/s, 2 stop bits", 134, 12, 38400},
    {"134 bytes at 57600 bit/s, 1 stop bit", 134, 11, 57600},
    {"134 bytes at 19200 bit/s, 2 stop bits", 134, 12, 19200},
    {"1 byte at 9600 bit/s, 2 stop bits", 1, 12, 9600},
};

TEST(PacedWrite, LineTimeIsTheFramesBitsOverTheSpeedRoundedUp) {
    EXPECT_EQ(LineTime(134, 12, 38400), microseconds(41875));
    EXPECT_EQ(LineTime(1, 11, 57600), microseconds(191));  // 190.97 us
    EXPECT_EQ(LineTime(0, 12, 38400), microseconds(0));
}

TEST(PacedWrite, ABytesBitsAreStartDataParityAndStop) {
    EXPECT_EQ(BitsPerByte(8, false, false), 11u);  // the radio's line: 8N2
    EXPECT_EQ(BitsPerByte(8, false, true), 10u);
    EXPECT_EQ(BitsPerByte(7, true, true), 10u);
    EXPECT_EQ(BitsPerByte(5, false, false), 8u);  // 1.5 stop bits counted as 2
}

// A Windows serial driver that completes the write once most of the frame has left (90 % of
// its line time): the next byte goes no sooner than the frame's end on the wire, and no later
// than 2 ms after it.
TEST(PacedWrite, ADriverThatCompletesLateAddsNothing) {
    for (const Frame& f : kFrames) {
        ManualClock clock;
        clock.now += milliseconds(1000);
        const auto start = clock.now;
        const auto line = LineTime(f.bytes, f.bitsPerByte, f.speed);
        const auto frameEnd = start + line;
        const int result = PacedWrite(clock, line, [&] {
            clock.now += line * 9 / 10;
            return true;
        });
        EXPECT_EQ(result, 1) << f.what;
        EXPECT_GE(clock.now, frameEnd) << f.what;
        EXPECT_LE(clock.now, frameEnd + milliseconds(2)) << f.what;
    }
}

// The two ends of what drivers do: one that completes at once (the bytes only queued) waits
// the whole line time; one that completes after the transmit buffer drained waits no more.
TEST(PacedWrite, CountsFromBeforeTheDriverTookTheBytes) {
    const auto line = LineTime(134, 12, 38400);
    for (const auto driverTakes : {microseconds(0), line, line + milliseconds(3)}) {
        ManualClock clock;
        const auto start = clock.now;
        EXPECT_EQ(PacedWrite(clock, line,
                             [&] {
                                 clock.now += driverTakes;
                                 return true;
                             }),
                  1);
        EXPECT_EQ(clock.now, start + std::max(line, driverTakes)) << driverTakes.count() << " us";
    }
}

TEST(PacedWrite, AFailedWriteReturnsAtOnceWithoutWaiting) {
    ManualClock clock;
    EXPECT_EQ(PacedWrite(clock, LineTime(134, 12, 38400), [] { return false; }), 0);
    EXPECT_FALSE(clock.waited);
    EXPECT_EQ(clock.now, WireClock::TimePoint{});
}

}  // namespace
}  // namespace updater
