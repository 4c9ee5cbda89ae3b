// Loading and validating the embedded firmware image, as the main window does at start-up.
//
// A program loads its image once, cold: every page the load touches is fresh from the kernel.
// Loads repeated in one process reuse what the allocator kept from the load before, or give it
// back and fetch it again, neither of which a start does. So each timed load runs in a process
// of its own (this program, started again with --one-cold-load), with the allocator at its
// defaults, and reports its time and its minor page faults.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "image/FirmwareImage.h"
#include "image/ImageLoader.h"
#include "res/EmbeddedImage.h"

extern char** environ;

namespace {

constexpr const char* kOneColdLoad = "--one-cold-load";

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

long long CpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// The child's whole work: one load as at start-up; on stdout whether the image is valid, the
// load's time and processor time in nanoseconds and its minor page faults. The image is kept,
// as the program keeps it.
int OneColdLoad() {
    const long faultsBefore = MinorFaults();
    const long long cpuBefore = CpuNanoseconds();
    const auto start = std::chrono::steady_clock::now();
    updater::FirmwareImage image;
    const bool valid = updater::LoadAndValidateImage(image, updater::EmbeddedImage());
    const auto end = std::chrono::steady_clock::now();
    const long long cpu = CpuNanoseconds() - cpuBefore;
    const long faults = MinorFaults() - faultsBefore;
    std::printf("%d %lld %lld %ld\n", valid ? 1 : 0,
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count()),
                cpu, faults);
    return valid ? 0 : 1;
}

struct ColdLoad {
    bool valid = false;
    double seconds = 0;
    double cpuSeconds = 0;  // the load's processor time: what a busy machine does not inflate
    long faults = 0;
};

bool RunColdLoad(ColdLoad& load) {
    int out[2];
    if (pipe(out) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char self[] = "/proc/self/exe";
    char flag[32];
    std::strncpy(flag, kOneColdLoad, sizeof flag);
    char* argv[] = {self, flag, nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, self, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string reply;
    char chunk[128];
    for (ssize_t got; (got = read(out[0], chunk, sizeof chunk)) > 0;) reply.append(chunk, got);
    close(out[0]);
    if (spawned != 0) return false;
    int status = 0;
    waitpid(child, &status, 0);
    int valid = 0;
    long long nanoseconds = 0, cpuNanoseconds = 0;
    if (std::sscanf(reply.c_str(), "%d %lld %lld %ld", &valid, &nanoseconds, &cpuNanoseconds,
                    &load.faults) != 4) {
        return false;
    }
    load.valid = valid == 1;
    load.seconds = static_cast<double>(nanoseconds) * 1e-9;
    load.cpuSeconds = static_cast<double>(cpuNanoseconds) * 1e-9;
    return true;
}

void BM_LoadAndValidateEmbeddedImage(benchmark::State& state) {
    long faults = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        ColdLoad load;
        if (!RunColdLoad(load)) {
            state.SkipWithError("the load could not be run in a process of its own");
            break;
        }
        if (!load.valid) state.SkipWithError("the embedded image is not valid");
        state.SetIterationTime(load.seconds);
        faults += load.faults;
        cpuSeconds += load.cpuSeconds;
    }
    state.counters["minor_faults_per_load"] =
        benchmark::Counter(static_cast<double>(faults), benchmark::Counter::kAvgIterations);
    state.counters["load_cpu_ms"] =
        benchmark::Counter(cpuSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(updater::EmbeddedImageBytes().size()));
}
// Each load is a process start: a fixed count keeps a run of repetitions to a few seconds.
BENCHMARK(BM_LoadAndValidateEmbeddedImage)
    ->UseManualTime()
    ->Iterations(50)
    ->Unit(benchmark::kMillisecond);

// The same load repeated in one process, for comparison: what the allocator keeps or gives
// back between loads decides how many of its pages are fresh.
void BM_LoadAndValidateInOneProcess(benchmark::State& state) {
    const long faultsBefore = MinorFaults();
    for (auto _ : state) {
        updater::FirmwareImage image;
        const bool valid = updater::LoadAndValidateImage(image, updater::EmbeddedImage());
        if (!valid) state.SkipWithError("the embedded image is not valid");
        benchmark::DoNotOptimize(image.topAreaTransferList.Size());
    }
    state.counters["minor_faults_per_load"] = benchmark::Counter(
        static_cast<double>(MinorFaults() - faultsBefore), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_LoadAndValidateInOneProcess)->Unit(benchmark::kMillisecond);

void BM_DescrambleEmbeddedImage(benchmark::State& state) {
    const auto stored = updater::EmbeddedImageBytes();
    std::vector<uint8_t> bytes(stored.begin(), stored.end());
    for (auto _ : state) {
        updater::ImageLoader::Descramble(bytes.data(), static_cast<int64_t>(bytes.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_DescrambleEmbeddedImage)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], kOneColdLoad) == 0) return OneColdLoad();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
