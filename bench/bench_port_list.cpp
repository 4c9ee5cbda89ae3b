// The time a look at the ports takes when the window's list is opened, with 8 ports present
// (8 pseudo-terminals here): as it was, each port probed (a pause, an open and the port-type
// query), and as it is, the system's list read without opening any. And the whole look at
// this machine's own ports.
#include <benchmark/benchmark.h>
#include <pty.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "link/LinkPort.h"
#include "link/PortProbe.h"
#include "link/SystemPorts.h"

namespace {

constexpr int kPorts = 8;

// Eight terminals, held open on their master side for as long as the benchmark runs.
class EightPorts {
  public:
    EightPorts() {
        for (int i = 0; i < kPorts; ++i) {
            int master = -1, slave = -1;
            char name[128] = {};
            if (openpty(&master, &slave, name, nullptr, nullptr) != 0) continue;
            close(slave);
            masters_.push_back(master);
            names_.push_back(name);
        }
    }
    ~EightPorts() {
        for (const int master : masters_) close(master);
    }
    const std::vector<std::string>& Names() const { return names_; }

  private:
    std::vector<int> masters_;
    std::vector<std::string> names_;
};

void BM_OpenListProbingEachPort(benchmark::State& state) {
    EightPorts ports;
    updater::LinkPort probe;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            updater::ProbePorts(probe, ports.Names(), updater::PortCheck::OpensOnly));
    }
    state.counters["ports"] = static_cast<double>(ports.Names().size());
}
BENCHMARK(BM_OpenListProbingEachPort)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenListFromTheSystemsList(benchmark::State& state) {
    EightPorts ports;
    for (auto _ : state) benchmark::DoNotOptimize(updater::ListPorts(ports.Names()));
    state.counters["ports"] = static_cast<double>(ports.Names().size());
}
BENCHMARK(BM_OpenListFromTheSystemsList)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ThisMachinesPortsListed(benchmark::State& state) {
    size_t found = 0;
    for (auto _ : state) {
        const auto ports = updater::ListSystemPorts();
        found = ports.size();
        benchmark::DoNotOptimize(ports);
    }
    state.counters["ports"] = static_cast<double>(found);
}
BENCHMARK(BM_ThisMachinesPortsListed)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
