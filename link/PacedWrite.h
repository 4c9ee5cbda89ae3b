#pragma once
// A blocking write that returns no sooner than its bytes can have left the wire, so that the
// waits after a frame are real whatever moment the driver chooses to complete the write.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "link/LineTime.h"

namespace updater {

// The clock a paced write counts on; the serial device takes the steady one.
class WireClock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~WireClock() = default;
    virtual TimePoint Now() = 0;
    // Returns no sooner than `deadline`.
    virtual void WaitUntil(TimePoint deadline) = 0;
};

WireClock& SteadyWireClock();

// Runs `write`, the driver's blocking write (true when it took every byte), and returns 1 no
// sooner than `lineTime` after the moment before the call: the bytes cannot start leaving
// earlier, and a driver that completes late (once its transmit buffer has drained) then adds
// nothing. Returns 0 at once when the write fails.
int PacedWrite(WireClock& clock, std::chrono::microseconds lineTime,
               const std::function<bool()>& write);

}  // namespace updater
