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
