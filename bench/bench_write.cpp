// The whole embedded image written to the simulated radio, against the protocol's floor: the
// waits the write procedure prescribes plus the time every byte each way needs on the line. Reports
// wall time, the Updater's processor time (its update thread, which runs the passes too) and the
// whole process's (simulator included).
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "image/FirmwareImage.h"
#include "link/LinkPort.h"
#include "protocol/Update.h"
#include "protocol/UpdateHost.h"
#include "res/EmbeddedImage.h"
#include "sim/RadioSimulator.h"
#include "sim/UartSettings.h"

namespace {

using updater::FirmwareImage;
using updater::RecordList;

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Answers every question with OK. The update thread runs the transfer passes too, so its
// processor time is the Updater's.
class MeasuringHost : public updater::UpdateHost {
  public:
    void SetProgressRange(int) override {}
    void SetProgressPosition(int) override {}
    int ShowMessage(const std::string&, const std::string&, unsigned) override {
        return updater::ID_OK;
    }
};

// Seconds that `bytes` need on the line at `speed` with 8 data bits, no parity, 2 stop bits.
double Wire(int bytes, int speed) {
    const updater::sim::UartSettings line{speed, 2, true};
    return std::chrono::duration<double>(updater::sim::ByteTime(line)).count() * bytes;
}

int Checkpoints(const RecordList& records) {
    return records.Size() > 0 ? (records.Size() - 1) / 64 : 0;
}

int Frames(const RecordList& records) {
    int frames = 0;
    for (const auto& record : records) frames += record.count > 0 ? 1 : 0;
    return frames;
}

int FrameBytes(const RecordList& records) {
    int bytes = 0;
    for (const auto& record : records) bytes += record.count > 0 ? record.count + 6 : 0;
    return bytes;
}

// The least time the full sequence can take with the simulated radio listening at 9600 and the
// default transfer speed of 38400: every wait counts from the end of its bytes on the line.
double FloorSeconds(const FirmwareImage& image) {
    constexpr int kFast = 38400;
    // The frame 0x0F + code at the speed the line leaves, the settle wait, the switch's wait.
    const auto speedChange = [](int from) { return Wire(2, from) + 0.100 + 0.100; };
    const double checkpoint = 0.250 + speedChange(kFast) + Wire(2, 19200) + speedChange(19200);
    const double closing = speedChange(kFast) + Wire(2, 19200) + 0.250;
    double floor = 0.050;                                         // port open
    floor += 0.100 + Wire(8 + 1, 9600) + 0.100 + Wire(1, 19200);  // request, SYN, ACK
    floor += Wire(1 + 48 + 1 + 2, 19200);                         // identity, handshake, ACKs
    floor += 2 * Wire(1 + 16 + 2, 19200);                         // tag and version queries
    floor += 5 * Wire(3 + 1, 19200);                              // area codes
    for (const RecordList* list : {&image.lowAreaRecords, &image.mainAreaRecords}) {
        floor += speedChange(19200) + Frames(*list) * 0.050 + Wire(FrameBytes(*list), kFast) +
                 Checkpoints(*list) * checkpoint + closing;
    }
    floor += Wire(10 + 1, 19200) + Wire(2, 19200) + Wire(3 + 1, 19200);  // range, 0x5B, "00"
    for (const auto& record : image.topAreaTransferList) {
        if (record.count > 0 && record.count <= 128) floor += Wire(record.count + 6 + 1, 19200);
    }
    floor += Wire(2, 19200);  // end
    return floor;
}

void BM_WriteEmbeddedImage(benchmark::State& state) {
    FirmwareImage image;
    if (!updater::LoadAndValidateImage(image, updater::EmbeddedImage())) {
        state.SkipWithError("the embedded image is not valid");
        return;
    }
    const double floor = FloorSeconds(image);
    for (auto _ : state) {
        updater::sim::RadioSimulator radio({});
        if (!radio.Start()) {
            state.SkipWithError("no pseudo-terminal");
            return;
        }
        updater::LinkPort link;
        if (link.SetPortName(radio.PortPath()) != 1) {
            state.SkipWithError("port name refused");
            return;
        }
        MeasuringHost host;

        const double processCpuStart = ProcessCpuSeconds();
        const double threadCpuStart = ThreadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const updater::UpdateOutcome outcome = updater::RunUpdate(link, host, image, {});
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double updaterCpu = ThreadCpuSeconds() - threadCpuStart;
        const double processCpu = ProcessCpuSeconds() - processCpuStart;

        if (outcome.result != 1 || !radio.Report().ChecksHeld()) {
            state.SkipWithError("the write failed or the radio's checks did not hold");
            return;
        }
        state.SetIterationTime(wall);
        state.counters["floor_s"] = floor;
        state.counters["wall_s"] = wall;
        state.counters["over_floor_pct"] = 100.0 * (wall - floor) / floor;
        state.counters["updater_cpu_s"] = updaterCpu;
        state.counters["updater_cpu_pct_of_wall"] = 100.0 * updaterCpu / wall;
        state.counters["process_cpu_pct_of_wall"] = 100.0 * processCpu / wall;
    }
}

// One write takes about two minutes of protocol waits.
BENCHMARK(BM_WriteEmbeddedImage)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// state.range(0) radios written at once from one process, each on its own line and thread, as
// a service bench does: the wall time against the floor of one write, and the Updater's
// processor time (every update thread) against the wall time.
void BM_WriteSideBySide(benchmark::State& state) {
    const int radios = static_cast<int>(state.range(0));
    FirmwareImage image;
    if (!updater::LoadAndValidateImage(image, updater::EmbeddedImage())) {
        state.SkipWithError("the embedded image is not valid");
        return;
    }
    const double floor = FloorSeconds(image);
    for (auto _ : state) {
        struct Bench {
            updater::sim::RadioSimulator radio{updater::sim::SimOptions{}};
            updater::LinkPort link;
            MeasuringHost host;
            updater::UpdateOutcome outcome;
            double updateCpu = 0;
        };
        std::vector<std::unique_ptr<Bench>> benches;
        for (int i = 0; i < radios; ++i) {
            benches.push_back(std::make_unique<Bench>());
            if (!benches.back()->radio.Start() ||
                benches.back()->link.SetPortName(benches.back()->radio.PortPath()) != 1) {
                state.SkipWithError("no pseudo-terminal");
                return;
            }
        }
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> updates;
        for (auto& bench : benches) {
            updates.emplace_back([&image, b = bench.get()] {
                const double cpuStart = ThreadCpuSeconds();
                b->outcome = updater::RunUpdate(b->link, b->host, image, {});
                b->updateCpu = ThreadCpuSeconds() - cpuStart;
            });
        }
        for (auto& update : updates) update.join();
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        double updaterCpu = 0;
        for (const auto& bench : benches) {
            if (bench->outcome.result != 1 || !bench->radio.Report().ChecksHeld()) {
                state.SkipWithError("a write failed or a radio's checks did not hold");
                return;
            }
            updaterCpu += bench->updateCpu;
        }
        state.SetIterationTime(wall);
        state.counters["radios"] = radios;
        state.counters["floor_s"] = floor;
        state.counters["wall_s"] = wall;
        state.counters["wall_over_floor"] = wall / floor;
        state.counters["updater_cpu_pct_of_wall"] = 100.0 * updaterCpu / wall;
    }
}

BENCHMARK(BM_WriteSideBySide)->Arg(8)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
