#include "link/PacedWrite.h"


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

int PacedWrite(WireClock& clock, std::chrono::microseconds lineTime,
               const std::function<bool()>& write) {
    const auto before = clock.Now();
    if (!write()) return 0;
    clock.WaitUntil(before + lineTime);
    return 1;
}

}  // namespace updater
