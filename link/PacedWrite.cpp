#include "link/PacedWrite.h"

#include <algorithm>

#include "link/Timing.h"

namespace updater {

namespace {

class SteadyClock final : public WireClock {
  public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void WaitUntil(TimePoint deadline) override { updater::WaitUntil(deadline); }
};

}  // namespace

WireClock& SteadyWireClock() {
    static SteadyClock clock;
    return clock;
}

std::chrono::microseconds LineTime(size_t bytes, uint64_t bitsPerByte, uint64_t speed) {
    speed = std::max<uint64_t>(speed, 1);
    return std::chrono::microseconds(
        (static_cast<uint64_t>(bytes) * bitsPerByte * 1000000 + speed - 1) / speed);
}

int PacedWrite(WireClock& clock, std::chrono::microseconds lineTime,
               const std::function<bool()>& write) {
    const auto before = clock.Now();
    if (!write()) return 0;
    clock.WaitUntil(before + lineTime);
    return 1;
}

}  // namespace updater
