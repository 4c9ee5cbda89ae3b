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

TEST(WaitMs, ZeroReturnsWithoutSleeping) {
    const auto start = Clock::now();
    WaitMs(0);
    // Far below the shortest sleep any scheduler would give.
    EXPECT_LT(Clock::now() - start, milliseconds(5));
}

TEST(LocalTimeNow, MatchesTheLocalCalendar) {
    const LocalTime now = LocalTimeNow();
    const std::time_t t = std::time(nullptr);
    const std::tm* local = std::localtime(&t);
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(now.year, local->tm_year + 1900);
    EXPECT_EQ(now.month, local->tm_mon + 1);
    EXPECT_EQ(now.day, local->tm_mday);
    EXPECT_EQ(now.dayOfWeek, local->tm_wday);
    EXPECT_EQ(now.hour, local->tm_hour);
    EXPECT_LE(now.minute, 59);
    EXPECT_LE(now.second, 60);
    EXPECT_LE(now.milliseconds, 999);
}

}  // namespace
}  // namespace updater
