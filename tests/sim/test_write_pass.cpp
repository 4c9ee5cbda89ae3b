#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <ostream>
#include <thread>

#include "sim/RadioSimulator.h"
#include "tests/sim/ScriptedSteps.h"

namespace updater::sim::test {
namespace {

using std::chrono::milliseconds;
using std::this_thread::sleep_for;

struct Block {
    uint32_t address;
    std::vector<uint8_t> data;
};

// Byte sum of 0x0C0000-0x0EFFFF with every byte no block covers counted as 0xFF: the loader's
// view of the main area, computed here independently of the pass formula.
uint16_t RangeSum(const std::vector<Block>& blocks) {
    std::vector<uint8_t> memory(0x30000, 0xFF);
    for (const auto& block : blocks) {
        for (std::size_t i = 0; i < block.data.size(); ++i) {
            if (block.address + i >= 0x0C0000 && block.address + i <= 0x0EFFFF) {
                memory[block.address + i - 0x0C0000] = block.data[i];
            }
        }
    }
    uint32_t sum = 0;
    for (uint8_t b : memory) sum += b;
    return static_cast<uint16_t>(sum);
}

std::vector<uint8_t> AddressRangeFrame(uint16_t checksum) {
    return {0xF3,
            0x0C,
            0x00,
            0x00,
            0x0E,
            0xFF,
            0xFF,
            static_cast<uint8_t>(checksum >> 8),
            static_cast<uint8_t>(checksum)};
}

bool Checkpoint(UpdaterLine& line) {
    return line.ChangeSpeed(1, 19200) && Exchange(line, {kAck}) == kAck;
}

TEST(SimWritePass, StoresAndChecksAWholeWriteSequence) {
    SimOptions options;
    options.modelWireTime = false;
    RadioSimulator radio(options);
    ASSERT_TRUE(radio.Start());
    UpdaterLine line(radio.PortPath());
    ASSERT_TRUE(ConnectAndIdentify(line, 0x5D));
    ASSERT_TRUE(SendAreaCodes(line));

    std::vector<uint8_t> ramp(128);
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<uint8_t>(i * 7 + 1);
    const std::vector<Block> mainPass{{0x0C0000, ramp},
                                      {0x0D1234, {0xFF, 0x00, 0x5A}},
                                      {0x0EFF80, std::vector<uint8_t>(128, 0x00)}};
    // Main-area pass at 38400 with a checkpoint after the second frame, then its closing.
    ASSERT_TRUE(line.ChangeSpeed(2, 38400));
    for (std::size_t i = 0; i < mainPass.size(); ++i) {
        if (i == 2) {
            sleep_for(milliseconds(250));
            ASSERT_TRUE(Checkpoint(line));
            ASSERT_TRUE(line.ChangeSpeed(2, 38400));
        }
        ASSERT_TRUE(line.Write(BlockFrame(0x57, mainPass[i].address, mainPass[i].data)));
        sleep_for(milliseconds(55));
    }
    ASSERT_TRUE(Checkpoint(line));
    sleep_for(milliseconds(250));

    EXPECT_EQ(Exchange(line, AddressRangeFrame(RangeSum(mainPass)), 3000), kAck);
    EXPECT_EQ(Exchange(line, {0x5B}, 3000), kAck);
    ASSERT_TRUE(line.Write({'R'}) && line.Write({'0'}));  // "00" as single bytes
    EXPECT_EQ(Exchange(line, {'0'}), kAck);
    const Block top{0x0F0000, {0xDE, 0xAD, 0xBE, 0xEF}};
    EXPECT_EQ(Exchange(line, BlockFrame(0x58, top.address, top.data)), kAck);
    EXPECT_EQ(Exchange(line, {0x45}), kAck);

    const SimReport report = radio.Report();
    EXPECT_TRUE(report.ChecksHeld()) << (report.problems.empty() ? "" : report.problems[0]);
    EXPECT_TRUE(report.areaChecksumChecked);
    EXPECT_TRUE(report.areaChecksumOk);
    EXPECT_TRUE(report.endReceived);
    EXPECT_TRUE(report.dialogueEnded);
    EXPECT_EQ(report.frames, 4);
    EXPECT_EQ(report.bytes, 128 + 3 + 128 + 4);
    EXPECT_EQ(report.checkpoints, 2);

    const auto memory = radio.Memory();
    const auto written = radio.Written();
    std::vector<Block> all = mainPass;
    all.push_back(top);
    for (const auto& block : all) {
        for (std::size_t i = 0; i < block.data.size(); ++i) {
            EXPECT_EQ(memory[block.address + i], block.data[i]);
            EXPECT_TRUE(written[block.address + i]);
        }
    }
    EXPECT_FALSE(written[0x0C0080]);
    EXPECT_EQ(memory[0x0C0080], 0xFF);

    const std::string dumpPath = ::testing::TempDir() + "sim_dump.txt";
    ASSERT_TRUE(radio.Dump(dumpPath));
    std::ifstream dump(dumpPath);
    std::string first;
    std::getline(dump, first);
    EXPECT_EQ(first, "0C0000 01");
    long lines = 1;
    for (std::string rest; std::getline(dump, rest);) ++lines;
    EXPECT_EQ(lines, report.bytes);
    std::remove(dumpPath.c_str());
}

struct Violation {
    const char* name;
    bool areaCodes;                            // send the area codes first
    std::function<void(UpdaterLine&)> script;  // what the Updater does wrong
    const char* problem;                       // part of the problem the loader records
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Violation& violation, std::ostream* out) { *out << violation.name; }

class SimWritePassViolation : public ::testing::TestWithParam<Violation> {};

bool Mentions(const SimReport& report, const std::string& text) {
    return std::any_of(report.problems.begin(), report.problems.end(),
                       [&](const std::string& p) { return p.find(text) != std::string::npos; });
}

TEST_P(SimWritePassViolation, IsRecordedAsAProblem) {
    SimOptions options;  // a real line's timing: each frame's own line time adds to its pause
    RadioSimulator radio(options);
    ASSERT_TRUE(radio.Start());
    UpdaterLine line(radio.PortPath());
    ASSERT_TRUE(ConnectAndIdentify(line));
    if (GetParam().areaCodes) {
        ASSERT_TRUE(SendAreaCodes(line));
    }
    ASSERT_TRUE(radio.Report().ChecksHeld()) << radio.Report().problems[0];
    GetParam().script(line);

    const std::string problem = GetParam().problem;
    EXPECT_TRUE(radio.WaitForReport([&](const SimReport& r) { return Mentions(r, problem); },
                                    milliseconds(3000)))
        << "no problem mentions \"" << problem << "\"";
}

const std::vector<uint8_t> kData{1, 2, 3, 4};

std::vector<uint8_t> Joined(std::vector<uint8_t> first, const std::vector<uint8_t>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// A main-area 'W' frame and the pause after it, then a checkpoint without the pause before.
void FrameThenCheckpoint(UpdaterLine& line, milliseconds pauseBefore) {
    line.ChangeSpeed(2, 38400);
    line.Write(BlockFrame(0x57, 0x0C0000, kData));
    sleep_for(milliseconds(55) + pauseBefore);
    Checkpoint(line);
}

// Each case breaks one pause the loader needs, by far, so that no lateness of the test hides it.
INSTANTIATE_TEST_SUITE_P(
    Cases, SimWritePassViolation,
    ::testing::Values(
        Violation{"FrameChecksum", true,
                  [](UpdaterLine& line) {
                      line.ChangeSpeed(2, 38400);
                      auto frame = BlockFrame(0x57, 0x0C0000, kData);
                      frame.back() ^= 0x01;
                      line.Write(frame);
                  },
                  "but data sum"},
        Violation{"FramesBackToBack", true,
                  [](UpdaterLine& line) {
                      line.ChangeSpeed(2, 38400);
                      // Full frames: 38 ms on the line each, so the second is 88 ms early.
                      const std::vector<uint8_t> full(128, 0x5A);
                      line.Write(Joined(BlockFrame(0x57, 0x0C0000, full),
                                        BlockFrame(0x57, 0x0C0080, full)));
                  },
                  "after a 'W' frame"},
        Violation{"ThirtyMillisecondsAfterEachFrame", true,
                  [](UpdaterLine& line) {
                      line.ChangeSpeed(2, 38400);
                      for (uint32_t i = 0; i < 10; ++i) {
                          line.Write(BlockFrame(0x57, 0x0C0000 + 4 * i, kData));
                          sleep_for(milliseconds(30));
                      }
                  },
                  "run of 'W' frames"},
        Violation{"LineSwitchedRightAfterTheSpeedCode", true,
                  [](UpdaterLine& line) {
                      line.Write({0x0F, 0x02});
                      line.SetLine(38400);
                      line.Write(BlockFrame(0x57, 0x0C0000, kData));
                  },
                  "after the speed code"},
        Violation{"FrameRightAfterTheSwitch", true,
                  [](UpdaterLine& line) {
                      line.Write({0x0F, 0x02});
                      sleep_for(milliseconds(100));
                      line.SetLineAbruptly(38400);
                      line.Write(BlockFrame(0x57, 0x0C0000, kData));
                  },
                  "after the line was set to 38400"},
        Violation{"FrameAtTheOldSpeed", true,
                  [](UpdaterLine& line) {
                      line.Write({0x0F, 0x02});
                      sleep_for(milliseconds(200));
                      line.Write(BlockFrame(0x57, 0x0C0000, kData));
                  },
                  "not understood"},
        Violation{"NoPauseBeforeACheckpointInsideAPass", true,
                  [](UpdaterLine& line) {
                      FrameThenCheckpoint(line, milliseconds(0));
                      line.ChangeSpeed(2, 38400);
                      line.Write(BlockFrame(0x57, 0x0C0004, kData));
                  },
                  "checkpoint inside a pass"},
        Violation{"NoPauseAfterTheClosingCheckpoint", true,
                  [](UpdaterLine& line) {
                      FrameThenCheckpoint(line, milliseconds(250));
                      Exchange(line, AddressRangeFrame(RangeSum({{0x0C0000, kData}})), 3000);
                  },
                  "after the closing checkpoint"},
        Violation{"FrameBeforeAreaCodes", false,
                  [](UpdaterLine& line) {
                      line.ChangeSpeed(2, 38400);
                      line.Write(BlockFrame(0x57, 0x0C0000, kData));
                  },
                  "before the area codes"},
        Violation{"WrongAreaChecksum", true,
                  [](UpdaterLine& line) {
                      // Nothing written: the right checksum is 0; the loader refuses 0x0001.
                      EXPECT_EQ(Exchange(line, AddressRangeFrame(0x0001), 3000), 0x15);
                  },
                  "area checksum 0x0001"},
        Violation{"XBeforeAreaCode00", true,
                  [](UpdaterLine& line) { Exchange(line, BlockFrame(0x58, 0x0F0000, kData)); },
                  "before area code 00"}),
    [](const auto& info) { return std::string(info.param.name); });

// The pauses before the connection request: 50 ms after the open and 100 ms after the line is
// set. A line set the moment before, or an open the moment before, is caught.
TEST(SimConnectionPauses, RequestTooSoonIsRecorded) {
    const struct {
        const char* name;
        bool pauseAfterOpen;
        bool pauseAfterLine;
        const char* problem;
    } cases[] = {
        {"line set the moment before", true, false, "after the line was set to 9600"},
        {"port opened the moment before", false, true, "after the port was opened"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RadioSimulator radio(SimOptions{});
        ASSERT_TRUE(radio.Start());
        UpdaterLine line(radio.PortPath(), c.pauseAfterOpen);
        if (c.pauseAfterLine) {
            ASSERT_TRUE(line.SetLine(9600));
        } else {
            ASSERT_TRUE(line.SetLineAbruptly(9600));
        }
        ASSERT_TRUE(line.Write(kConnectionRequest));
        EXPECT_TRUE(radio.WaitForReport([&](const SimReport& r) { return Mentions(r, c.problem); },
                                        milliseconds(3000)));
    }
}

// A second program that opens the port while the Updater holds it is turned away by the
// exclusive open: it is no open of the Updater's, whose bytes go on at once.
TEST(SimConnectionPauses, SecondProgramsOpenIsNoPauseOfTheUpdaters) {
    SimOptions options;
    options.modelWireTime = false;
    RadioSimulator radio(options);
    ASSERT_TRUE(radio.Start());
    UpdaterLine line(radio.PortPath());
    ASSERT_TRUE(Connect(line));
    {
        UpdaterLine second(radio.PortPath(), false);
        ASSERT_TRUE(second.IsOpen());
    }
    ASSERT_EQ(Identify(line, 0x3C).size(), 48u);
    ASSERT_TRUE(SendAreaCodes(line));
    EXPECT_EQ(Exchange(line, {0x45}), kAck);

    const SimReport report = radio.Report();
    EXPECT_TRUE(report.ChecksHeld()) << (report.problems.empty() ? "" : report.problems[0]);
}

// An Updater stopped right after a speed code puts its port's settings back as it closes: no
// dialogue runs any more to be spoilt by that, and no fault is recorded. The same switch with
// a byte after it is one (LineSwitchedRightAfterTheSpeedCode above).
TEST(SimConnectionPauses, SettingsPutBackAtTheCloseAreNoFault) {
    RadioSimulator radio(SimOptions{});
    ASSERT_TRUE(radio.Start());
    const auto mentions = [](const std::string& text) {
        return [text](const SimReport& r) {
            return std::any_of(r.commands.begin(), r.commands.end(), [&](const std::string& c) {
                return c.find(text) != std::string::npos;
            });
        };
    };
    {
        UpdaterLine line(radio.PortPath());
        ASSERT_TRUE(ConnectAndIdentify(line));
        ASSERT_TRUE(SendAreaCodes(line));
        ASSERT_TRUE(line.Write({0x0F, 0x02}));
        // The loader has the code before the port's settings go back, as on a real line.
        ASSERT_TRUE(radio.WaitForReport(mentions("speed code 2"), milliseconds(3000)));
        ASSERT_TRUE(line.SetLineAbruptly(9600));
    }
    // Were the switch judged by itself, the problem would come within the loader's poll.
    EXPECT_FALSE(radio.WaitForReport([](const SimReport& r) { return !r.problems.empty(); },
                                     milliseconds(1000)))
        << radio.Report().problems[0];
}

}  // namespace
}  // namespace updater::sim::test
