// How precisely WaitMs(50) ends and how much processor time it uses while waiting.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "link/Timing.h"

namespace {

using Clock = std::chrono::steady_clock;

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_WaitMs50(benchmark::State& state) {
    constexpr uint32_t kWaitMs = 50;
    std::vector<double> overshootMs;
    double wallSeconds = 0;
    const double cpuBefore = ProcessorSeconds();
    for (auto _ : state) {
        const auto start = Clock::now();
        updater::WaitMs(kWaitMs);
        const std::chrono::duration<double, std::milli> waited = Clock::now() - start;
        overshootMs.push_back(waited.count() - kWaitMs);
        wallSeconds += waited.count() / 1000;
    }
    const double cpuSeconds = ProcessorSeconds() - cpuBefore;
    std::sort(overshootMs.begin(), overshootMs.end());
    state.counters["overshoot_median_ms"] = overshootMs[overshootMs.size() / 2];
    state.counters["overshoot_worst_ms"] = overshootMs.back();
    state.counters["undershoot_count"] = static_cast<double>(
        std::count_if(overshootMs.begin(), overshootMs.end(), [](double d) { return d < 0; }));
    state.counters["cpu_percent_of_wall"] = 100 * cpuSeconds / wallSeconds;
}
BENCHMARK(BM_WaitMs50)->Iterations(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
