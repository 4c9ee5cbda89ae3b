// Several radios written at once from one process, each through its own port, as a service bench
// does: the updates share nothing, so each radio receives exactly its image.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "link/LinkPort.h"
#include "protocol/Update.h"
#include "sim/RadioSimulator.h"
#include "tests/protocol/UpdateTestSupport.h"
#include "tests/support/RadioMemoryCheck.h"

namespace updater {
namespace {

using testing::RecordingHost;
using testing::SmallImage;

struct Bench {
    explicit Bench(const sim::SimOptions& options) : radio(options) {}
    sim::RadioSimulator radio;
    LinkPort link;
    RecordingHost host;
    UpdateOutcome outcome;
};

TEST(UpdatesSideBySide, EachRadioGetsItsImage) {
    const FirmwareImage image = SmallImage();
    for (const int radios : {2, 8}) {
        SCOPED_TRACE(std::to_string(radios) + " radios");
        std::vector<std::unique_ptr<Bench>> benches;
        for (int i = 0; i < radios; ++i) {
            sim::SimOptions options;
            // Different listen and transfer speeds, so that the sessions differ on every line.
            options.listenSpeed = i % 2 == 0 ? 9600 : 19200;
            benches.push_back(std::make_unique<Bench>(options));
            ASSERT_TRUE(benches.back()->radio.Start());
            ASSERT_EQ(benches.back()->link.SetPortName(benches.back()->radio.PortPath()), 1);
        }
        std::vector<std::thread> updates;
        for (int i = 0; i < radios; ++i) {
            updates.emplace_back([&image, b = benches[i].get(), i] {
                const UpdateSettings settings{
                    i % 2 == 0 ? SpeedChoice::Speed38400 : SpeedChoice::Speed57600, 2, 0};
                b->outcome = RunUpdate(b->link, b->host, image, settings);
            });
        }
        for (auto& update : updates) update.join();
        for (const auto& bench : benches) {
            const auto& commands = bench->radio.Report().commands;
            std::string last;
            for (size_t k = commands.size() > 4 ? commands.size() - 4 : 0; k < commands.size();
                 ++k) {
                last += commands[k] + "; ";
            }
            EXPECT_EQ(bench->outcome.result, 1)
                << "code " << std::hex << bench->outcome.code << ", the radio last saw: " << last;
            EXPECT_EQ(bench->link.IsOpen(), 0);
            const sim::SimReport report = bench->radio.Report();
            EXPECT_TRUE(report.ChecksHeld()) << (report.problems.empty() ? "" : report.problems[0]);
            EXPECT_EQ(testing::MemoryMismatch(bench->radio,
                                              {&image.lowAreaRecords, &image.mainAreaRecords,
                                               &image.topAreaTransferList}),
                      "");
        }
    }
}

}  // namespace
}  // namespace updater
