#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <thread>

#include "sim/RadioSimulator.h"
#include "tests/sim/ScriptedSteps.h"

namespace updater::sim::test {
namespace {

constexpr uint8_t kNak = 0x15;

struct FaultCase {
    const char* name;
    std::function<void(SimFaults&)> inject;
    // Plays the Updater's side up to and past the fault, checking the loader's answers.
    std::function<void(UpdaterLine&)> script;
    bool dialogueEnds;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FaultCase& fault, std::ostream* out) { *out << fault.name; }

class SimFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SimFault, EndsOrBendsTheDialogueAsARadioWould) {
    SimOptions options;
    options.modelWireTime = false;
    GetParam().inject(options.faults);
    RadioSimulator radio(options);
    ASSERT_TRUE(radio.Start());
    UpdaterLine line(radio.PortPath());
    ASSERT_TRUE(Connect(line));
    GetParam().script(line);

    const SimReport report = radio.Report();
    EXPECT_EQ(report.dialogueEnded, GetParam().dialogueEnds);
    EXPECT_TRUE(report.ChecksHeld()) << (report.problems.empty() ? "" : report.problems[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimFault,
    ::testing::Values(FaultCase{"ShortIdentity", [](SimFaults& f) { f.shortIdentityReply = 20; },
                                [](UpdaterLine& line) {
                                    ASSERT_TRUE(line.Write({0x02}));
                                    EXPECT_EQ(line.Read(48, 1000).size(), 20u);
                                },
                                true},
                      FaultCase{"SilentTagQueryKeepsTheDialogue",
                                [](SimFaults& f) { f.silentTagQuery = true; },
                                [](UpdaterLine& line) {
                                    ASSERT_EQ(Identify(line, 0x11).size(), 48u);
                                    ASSERT_TRUE(line.Write({0x40}));
                                    EXPECT_TRUE(line.Read(16, 1000).empty());
                                    ASSERT_TRUE(line.Write({0x50}));
                                    EXPECT_EQ(line.Read(16, 1000).size(), 16u);
                                    EXPECT_EQ(Exchange(line, {kAck}), kAck);
                                },
                                false},
                      FaultCase{"RefusedSecondAreaCode", [](SimFaults& f) { f.refuseAreaCode = 2; },
                                [](UpdaterLine& line) {
                                    ASSERT_EQ(Identify(line, 0x11).size(), 48u);
                                    EXPECT_EQ(Exchange(line, {'R', '0', 'A'}), kAck);
                                    EXPECT_EQ(Exchange(line, {'R', 'P', '2'}), kNak);
                                    EXPECT_EQ(Exchange(line, {'R', '0', '3'}, 500), -1);
                                },
                                true},
                      FaultCase{"NakEnd", [](SimFaults& f) { f.nakEnd = true; },
                                [](UpdaterLine& line) {
                                    ASSERT_EQ(Identify(line, 0x11).size(), 48u);
                                    EXPECT_EQ(Exchange(line, {0x45}), kNak);
                                },
                                true},
                      FaultCase{"HangUpAtSecondWFrame", [](SimFaults& f) { f.hangUpAtWFrame = 2; },
                                [](UpdaterLine& line) {
                                    ASSERT_EQ(Identify(line, 0x11).size(), 48u);
                                    ASSERT_TRUE(SendAreaCodes(line));
                                    ASSERT_TRUE(line.ChangeSpeed(2, 38400));
                                    const std::vector<uint8_t> data{1, 2};
                                    ASSERT_TRUE(line.Write(BlockFrame(0x57, 0x0C0000, data)));
                                    std::this_thread::sleep_for(std::chrono::milliseconds(60));
                                    ASSERT_TRUE(line.Write(BlockFrame(0x57, 0x0C0002, data)));
                                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                                    EXPECT_FALSE(line.Write(BlockFrame(0x57, 0x0C0004, data)))
                                        << "the line is gone after the hang-up";
                                },
                                true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimFault, HangUpStopsServing) {
    SimOptions options;
    options.modelWireTime = false;
    options.faults.hangUpAtWFrame = 1;
    RadioSimulator radio(options);
    ASSERT_TRUE(radio.Start());
    UpdaterLine line(radio.PortPath());
    ASSERT_TRUE(ConnectAndIdentify(line));
    ASSERT_TRUE(SendAreaCodes(line));
    ASSERT_TRUE(line.ChangeSpeed(2, 38400));
    ASSERT_TRUE(line.Write(BlockFrame(0x57, 0x0C0000, {7})));
    EXPECT_TRUE(radio.WaitUntilStopped(2000));
    const SimReport report = radio.Report();
    EXPECT_TRUE(report.hungUp);
    EXPECT_EQ(report.frames, 0) << "the frame that met the hang-up is lost";
}

}  // namespace
}  // namespace updater::sim::test
