#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "link/Timing.h"

namespace updater {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(WaitMs, WaitsAtLeastTheTimeAsked) {
    for (uint32_t ms : {1u, 10u, 50u}) {
        const auto start = Clock::now();
        WaitMs(ms);
        EXPECT_GE(Clock::now() - start, milliseconds(ms)) << ms << " ms";
    }
}

// The waits that count from the end of a frame on the wire end on a fraction of a millisecond;
// each must still be whole (the Windows runtime's own sleep_until wakes up to 1 ms early).
TEST(WaitUntil, NeverReturnsBeforeItsDeadline) {
    for (int round = 0; round < 20; ++round) {
        for (auto wait : {std::chrono::microseconds(300), std::chrono::microseconds(1900),
                          std::chrono::microseconds(6900)}) {
            const auto deadline = Clock::now() + wait;
            WaitUntil(deadline);
            const auto returned = Clock::now();
            ASSERT_GE(returned, deadline) << wait.count() << " us, round " << round;
        }
    }
}

// The calendar fields of `t` in local time, on either platform.
std::tm LocalCalendar(std::time_t t) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return local;
}

TEST(LocalTimeNow, MatchesTheLocalCalendar) {
    // Read the calendar on both sides; an hour that turned in between is read again.
    LocalTime now;
    std::tm local{};
    while (true) {
        const std::tm before = LocalCalendar(std::time(nullptr));
        now = LocalTimeNow();
        local = LocalCalendar(std::time(nullptr));
        if (before.tm_hour == local.tm_hour && before.tm_mday == local.tm_mday) break;
    }
    EXPECT_EQ(now.year, local.tm_year + 1900);
    EXPECT_EQ(now.month, local.tm_mon + 1);
    EXPECT_EQ(now.day, local.tm_mday);
    EXPECT_EQ(now.dayOfWeek, local.tm_wday);
    EXPECT_EQ(now.hour, local.tm_hour);
    EXPECT_LE(now.minute, 59);
    EXPECT_LE(now.second, 60);
    EXPECT_LE(now.milliseconds, 999);
}

}  // namespace
}  // namespace updater
