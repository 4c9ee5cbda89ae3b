#pragma once
// Precise short waits and the local clock, shared by the serial link and the protocol.

#include <chrono>
#include <cstdint>

namespace updater {

// Returns once at least `ms` milliseconds have passed. Sleeps to an absolute deadline on a
// steady clock instead of spinning, so the wait is precise without burning the processor.
void WaitMs(uint32_t ms);

// Returns no sooner than `deadline` on the steady clock. A plain sleep_until may not do that:
// the Windows runtime sleeps whole milliseconds and drops the fraction, waking up to 1 ms early.
void WaitUntil(std::chrono::steady_clock::time_point deadline);

// A pause that nothing is timed against (between retries): a plain sleep, which may run late.
void SleepMs(uint32_t ms);

struct LocalTime {
    uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0;
    uint16_t hour = 0, minute = 0, second = 0, milliseconds = 0;
};

LocalTime LocalTimeNow();

}  // namespace updater
