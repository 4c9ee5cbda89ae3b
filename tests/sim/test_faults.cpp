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
    std::function<void(UpdaterLine&, RadioSimulator&)> script;
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
    GetParam().script(line, radio);

    const SimReport report = radio.Report();
    EXPECT_EQ(report.dialogueEnded, GetParam().dialogueEnds);
    EXPECT_TRUE(report.ChecksHeld()) << (report.problems.empty() ? "" : report.problems[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimFault,
    ::testing::Values(
        FaultCase{"ShortIdentity", [](SimFaults& f) { f.shortIdentityReply = 20; },
                  [](UpdaterLine& line, RadioSimulator&) {
                      ASSERT_TRUE(line.Write({0x02}));
                      EXPECT_EQ(line.Read(48, 1000).size(), 20u);
                  },
                  true},
        FaultCase{"SilentTagQueryKeepsTheDialogue", [](SimFaults& f) { f.silentTagQuery = true; },
                  [](UpdaterLine& line, RadioSimulator&) {
                      ASSERT_EQ(Identify(line, 0x11).size(), 48u);
                      ASSERT_TRUE(line.Write({0x40}));
                      EXPECT_TRUE(line.Read(16, 1000).empty());
                      ASSERT_TRUE(line.Write({0x50}));
                      EXPECT_EQ(line.Read(16, 1000).size(), 16u);
                      EXPECT_EQ(Exchange(line, {kAck}), kAck);
                  },
                  false},
        FaultCase{"RefusedSecondAreaCode", [](SimFaults& f) { f.refuseAreaCode = 2; },
                  [](UpdaterLine& line, RadioSimulator&) {
                      ASSERT_EQ(Identify(line, 0x11).size(), 48u);
                      EXPECT_EQ(Exchange(line, {'R', '0', 'A'}), kAck);
                      EXPECT_EQ(Exchange(line, {'R', 'P', '2'}), kNak);
                      EXPECT_EQ(Exchange(line, {'R', '0', '3'}, 500), -1);
                  },
                  true},
        FaultCase{"NakEnd", [](SimFaults& f) { f.nakEnd = true; },
                  [](UpdaterLine& line, RadioSimulator&) {
                      ASSERT_EQ(Identify(line, 0x11).size(), 48u);
                      EXPECT_EQ(Exchange(line, {0x45}), kNak);
                  },
                  true},
        FaultCase{"HangUpAtSecondWFrame",
                  [](SimFaults& f) {
                      f.hangUp = {SimEvent::WFrame, 2};
                  },
                  [](UpdaterLine& line, RadioSimulator& radio) {
                      ASSERT_EQ(Identify(line, 0x11).size(), 48u);
                      ASSERT_TRUE(SendAreaCodes(line));
                      ASSERT_TRUE(line.ChangeSpeed(2, 38400));
                      const std::vector<uint8_t> data{1, 2};
                      ASSERT_TRUE(line.Write(BlockFrame(0x57, 0x0C0000, data)));
                      std::this_thread::sleep_for(std::chrono::milliseconds(60));
                      ASSERT_TRUE(line.Write(BlockFrame(0x57, 0x0C0002, data)));
                      ASSERT_TRUE(radio.WaitUntilStopped(2000));
                      EXPECT_FALSE(line.Write(BlockFrame(0x57, 0x0C0004, data)))
                          << "the line is gone after the hang-up";
                  },
                  true},
        FaultCase{"HangUpAtCheckpoint",
                  [](SimFaults& f) {
                      f.hangUp = {SimEvent::Checkpoint, 1};
                  },
                  [](UpdaterLine& line, RadioSimulator& radio) {
                      ASSERT_EQ(Identify(line, 0x11).size(), 48u);
                      ASSERT_TRUE(SendAreaCodes(line));
                      ASSERT_TRUE(line.ChangeSpeed(2, 38400));
                      ASSERT_TRUE(line.ChangeSpeed(1, 19200));
                      ASSERT_TRUE(line.Write({kAck}));
                      EXPECT_TRUE(line.Read(1, 1000).empty());
                      EXPECT_TRUE(radio.WaitUntilStopped(2000));
                  },
                  true},
        FaultCase{
            "HangUpAtXFrame",
            [](SimFaults& f) {
                f.hangUp = {SimEvent::XFrame, 1};
            },
            [](UpdaterLine& line, RadioSimulator& radio) {
                ASSERT_EQ(Identify(line, 0x11).size(), 48u);
                ASSERT_TRUE(SendAreaCodes(line));
                // Nothing written: the range's checksum is 0.
                EXPECT_EQ(Exchange(line, {0xF3, 0x0C, 0, 0, 0x0E, 0xFF, 0xFF, 0, 0}, 3000), kAck);
                EXPECT_EQ(Exchange(line, {0x5B}, 3000), kAck);
                EXPECT_EQ(Exchange(line, {'R', '0', '0'}), kAck);
                EXPECT_EQ(Exchange(line, BlockFrame(0x58, 0x0F0000, {1})), -1);
                EXPECT_TRUE(radio.WaitUntilStopped(2000));
            },
            true},
        FaultCase{"LateIdentityReply",
                  [](SimFaults& f) {
                      f.lateAnswer = {SimEvent::Identify, 1};
                      f.lateAnswerMs = 1500;
                  },
                  [](UpdaterLine& line, RadioSimulator&) {
                      ASSERT_TRUE(line.Write({0x02}));
                      EXPECT_TRUE(line.Read(48, 1000).empty())
                          << "nothing within the Updater's time-out";
                      EXPECT_EQ(line.Read(48, 3000).size(), 48u) << "but later";
                  },
                  false},
        FaultCase{"GarbledAreaCodeAnswer",
                  [](SimFaults& f) {
                      f.garbageAnswer = {SimEvent::AreaCode, 2};
                  },
                  [](UpdaterLine& line, RadioSimulator&) {
                      ASSERT_EQ(Identify(line, 0x11).size(), 48u);
                      EXPECT_EQ(Exchange(line, {'R', '0', 'A'}), kAck);
                      const int answer = Exchange(line, {'R', 'P', '2'});
                      EXPECT_NE(answer, -1);
                      EXPECT_NE(answer, kAck);
                      EXPECT_NE(answer, kNak);
                      EXPECT_EQ(Exchange(line, {'R', '0', '3'}), kAck)
                          << "one answer garbled, the dialogue goes on";
                  },
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimFault, HangUpAtTheFirstRequestStopsServing) {
    SimOptions options;
    options.faults.hangUp = {SimEvent::ConnectionRequest, 1};
    RadioSimulator radio(options);
    ASSERT_TRUE(radio.Start());
    UpdaterLine line(radio.PortPath());
    ASSERT_TRUE(line.SetLine(9600));
    ASSERT_TRUE(line.Write(kConnectionRequest));
    EXPECT_TRUE(line.Read(1, 1000).empty()) << "no SYN, the line went";
    EXPECT_TRUE(radio.WaitUntilStopped(2000));
    const SimReport report = radio.Report();
    EXPECT_TRUE(report.hungUp);
    EXPECT_EQ(report.sessions, 0);
}

}  // namespace
}  // namespace updater::sim::test
