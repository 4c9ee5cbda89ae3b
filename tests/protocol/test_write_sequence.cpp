// Whole updates against the simulated radio over a real pseudo-terminal: what the radio
// received, what the user saw, and how every failure ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "link/LinkPort.h"
#include "protocol/Messages.h"
#include "protocol/ResultCodes.h"
#include "protocol/Update.h"
#include "sim/RadioSimulator.h"
#include "tests/protocol/UpdateTestSupport.h"

namespace updater {
namespace {

using testing::kSmallImageTag;
using testing::MemoryMismatch;
using testing::RecordingHost;
using testing::ShownMessage;
using testing::SmallImage;

struct UpdateRun {
    UpdateOutcome outcome;
    std::vector<ShownMessage> messages;
    std::vector<int> positions;
    std::vector<int> ranges;
    sim::SimReport report;
    bool portClosed = false;
    bool allCallsOnUpdateThread = false;  // the passes' progress too
};

std::unique_ptr<sim::RadioSimulator> StartRadio(sim::SimOptions options) {
    auto radio = std::make_unique<sim::RadioSimulator>(std::move(options));
    EXPECT_TRUE(radio->Start());
    return radio;
}

UpdateRun RunAgainst(LinkPort& link, sim::RadioSimulator& radio, const FirmwareImage& image,
                     UpdateSettings settings = {}, int confirmAnswer = ID_OK) {
    EXPECT_EQ(link.SetPortName(radio.PortPath()), 1);
    RecordingHost host(confirmAnswer);
    UpdateRun run;
    run.outcome = RunUpdate(link, host, image, settings);
    run.messages = host.Messages();
    run.positions = host.Positions();
    run.ranges = host.Ranges();
    run.allCallsOnUpdateThread = host.Threads() == std::set{std::this_thread::get_id()};
    run.report = radio.Report();
    run.portClosed = link.IsOpen() == 0;
    return run;
}

// The dialogue from the first area code on (what comes before depends on the clock).
std::vector<std::string> WriteDialogue(const sim::SimReport& report) {
    auto first = std::find(report.commands.begin(), report.commands.end(), "area code 0A");
    std::vector<std::string> dialogue(first, report.commands.end());
    std::erase_if(dialogue, [](const std::string& entry) {
        return entry.starts_with("address range") || entry.starts_with("dialogue over");
    });
    return dialogue;
}

bool Logged(const sim::SimReport& report, const std::string& prefix) {
    return std::any_of(report.commands.begin(), report.commands.end(),
                       [&](const std::string& entry) { return entry.starts_with(prefix); });
}

const ShownMessage kCompleted{kTextWritingCompleted, kCaptionUpdater, MB_OK_INFORMATION};

std::string Problems(const sim::SimReport& report) {
    std::string text;
    for (const std::string& problem : report.problems) text += problem + "\n";
    return text;
}

TEST(Update, FullSequenceWritesEveryAreaAndReportsProgress) {
    const FirmwareImage image = SmallImage();
    auto radio = StartRadio({});
    LinkPort link;
    const UpdateRun run = RunAgainst(link, *radio, image);

    EXPECT_EQ(run.outcome.result, 1);
    EXPECT_EQ(run.outcome.code, 0u);
    EXPECT_TRUE(run.portClosed);
    EXPECT_TRUE(run.report.ChecksHeld()) << Problems(run.report);
    EXPECT_TRUE(run.report.areaChecksumChecked);
    EXPECT_TRUE(run.report.areaChecksumOk);
    EXPECT_TRUE(run.report.endReceived);
    EXPECT_EQ(MemoryMismatch(*radio, {&image.lowAreaRecords, &image.mainAreaRecords,
                                      &image.topAreaTransferList}),
              "");
    const std::vector<std::string> expectedDialogue = {"area code 0A",
                                                       "area code P2",
                                                       "area code 03",
                                                       "area code 02",
                                                       "area code 01",
                                                       "speed code 2 (38400 bit/s)",
                                                       "W x3 from 0x010000",
                                                       "speed code 1 (19200 bit/s)",
                                                       "checkpoint",
                                                       "speed code 2 (38400 bit/s)",
                                                       "W x5 from 0x0C0000",
                                                       "speed code 1 (19200 bit/s)",
                                                       "checkpoint",
                                                       "0x5B",
                                                       "area code 00",
                                                       "X x3 from 0x0FFF00",
                                                       "end"};
    EXPECT_EQ(WriteDialogue(run.report), expectedDialogue);

    // The range counts the top area's blocks; each pass reports every record and its end.
    EXPECT_EQ(run.ranges, std::vector<int>{3 + 5 + 3});
    EXPECT_EQ(run.positions, (std::vector<int>{0, 1, 2, 3, 3, 4, 5, 6, 7, 8, 8, 9, 10, 11}));
    EXPECT_TRUE(run.allCallsOnUpdateThread) << "the passes run on the update's own thread";

    ASSERT_EQ(run.messages.size(), 2u);
    EXPECT_EQ(run.messages[0],
              (ShownMessage{" Please confirm the version change: \nNo Data -> Ver. V9.01\nDo "
                            "you want to continue?",
                            kCaptionConfirmVersion, MB_OKCANCEL_EXCLAMATION}));
    EXPECT_EQ(run.messages[1], kCompleted);
}

TEST(Update, ShortSequenceWhenTheRadioCarriesTheImagesTag) {
    const FirmwareImage image = SmallImage();
    sim::SimOptions options;
    options.topAreaTag = kSmallImageTag;  // bytes of 0x80 and above compare as they are
    std::array<uint8_t, 16> version;
    version.fill(0);
    std::copy_n("V9.00", 5, version.begin());
    options.version = version;
    auto radio = StartRadio(options);
    LinkPort link;
    const UpdateRun run = RunAgainst(link, *radio, image);

    EXPECT_EQ(run.outcome.result, 1);
    EXPECT_TRUE(run.report.ChecksHeld()) << Problems(run.report);
    EXPECT_TRUE(run.report.areaChecksumOk);
    EXPECT_FALSE(Logged(run.report, "X x"));
    EXPECT_FALSE(Logged(run.report, "area code 00"));
    EXPECT_EQ(WriteDialogue(run.report).back(), "end");
    EXPECT_EQ(MemoryMismatch(*radio, {&image.lowAreaRecords, &image.mainAreaRecords}), "");
    EXPECT_EQ(run.ranges, std::vector<int>{3 + 5});
    ASSERT_EQ(run.messages.size(), 2u);
    EXPECT_EQ(run.messages[0].text,
              " Please confirm the version change: \n Ver. V9.00 -> Ver. V9.01\nDo you want to "
              "continue?");
    EXPECT_EQ(run.messages[1], kCompleted);
}

struct LineCase {
    const char* name;
    SpeedChoice speedChoice;
    int stopBits;
    int unencrypted;
    std::string fastSpeed;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class UpdateLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(UpdateLine, WFramesGoAtTheChosenSpeed) {
    const LineCase& c = GetParam();
    const FirmwareImage image = SmallImage();
    sim::SimOptions options;
    options.stopBits = c.stopBits;
    options.topAreaTag = kSmallImageTag;
    auto radio = StartRadio(options);
    LinkPort link;
    UpdateSettings settings;
    settings.speedChoice = c.speedChoice;
    settings.stopBits = c.stopBits;
    settings.unencrypted = c.unencrypted;
    const UpdateRun run = RunAgainst(link, *radio, image, settings);

    EXPECT_EQ(run.outcome.result, 1);
    EXPECT_TRUE(run.report.ChecksHeld()) << Problems(run.report);
    EXPECT_EQ(MemoryMismatch(*radio, {&image.lowAreaRecords, &image.mainAreaRecords}), "");
    // Every run of 'W' frames follows a speed change to the fast speed.
    const std::vector<std::string> dialogue = WriteDialogue(run.report);
    int runs = 0;
    for (size_t i = 1; i < dialogue.size(); ++i) {
        if (!dialogue[i].starts_with("W x")) continue;
        ++runs;
        EXPECT_EQ(dialogue[i - 1], "speed code " + c.fastSpeed);
    }
    EXPECT_EQ(runs, 2);
    if (c.unencrypted) {
        EXPECT_TRUE(std::any_of(
            run.report.commands.begin(), run.report.commands.end(), [](const std::string& e) {
                return e.starts_with("handshake") && e.ends_with("link key 0x00");
            }));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, UpdateLine,
    ::testing::Values(LineCase{"choice6", SpeedChoice::Speed57600, 2, 0, "3 (57600 bit/s)"},
                      LineCase{"choice5", SpeedChoice::Speed38400, 2, 0, "2 (38400 bit/s)"},
                      LineCase{"choice1", SpeedChoice::Speed38400ByHiddenButton, 2, 0,
                               "2 (38400 bit/s)"},
                      LineCase{"unencrypted", SpeedChoice::Speed38400, 2, 1, "2 (38400 bit/s)"},
                      LineCase{"oneStopBit", SpeedChoice::Speed57600, 1, 1, "3 (57600 bit/s)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Update, CheckpointEvery64RecordsCountingEmptyRecordsAndAnEmptyLowArea) {
    FirmwareImage image = SmallImage();
    image.lowAreaRecords.Clear();
    image.mainAreaRecords.Clear();
    RecordList records;
    testing::AppendRun(records, 0xC0000, 65, 2, 0x10);
    for (int i = 0; i < records.Size(); ++i) {
        ImageRecord record = records[i];
        if (i == 10) record.count = 0;  // counts towards the checkpoint, sends nothing
        image.mainAreaRecords.Append(record);
    }
    sim::SimOptions options;
    options.topAreaTag = kSmallImageTag;
    auto radio = StartRadio(options);
    LinkPort link;
    const UpdateRun run = RunAgainst(link, *radio, image);

    EXPECT_EQ(run.outcome.result, 1);
    EXPECT_TRUE(run.report.ChecksHeld()) << Problems(run.report);
    EXPECT_EQ(MemoryMismatch(*radio, {&image.mainAreaRecords}), "");
    const std::vector<std::string> expectedDialogue = {
        "area code 0A", "area code P2", "area code 03", "area code 02", "area code 01",
        // the empty low area still changes speed and closes with a checkpoint
        "speed code 2 (38400 bit/s)", "speed code 1 (19200 bit/s)", "checkpoint",
        "speed code 2 (38400 bit/s)", "W x63 from 0x0C0000", "speed code 1 (19200 bit/s)",
        "checkpoint", "speed code 2 (38400 bit/s)", "W x1 from 0x0C0080",
        "speed code 1 (19200 bit/s)", "checkpoint", "0x5B", "end"};
    EXPECT_EQ(WriteDialogue(run.report), expectedDialogue);
    std::vector<int> positions{0};  // the empty pass reports its end only
    for (int i = 0; i <= 65; ++i) positions.push_back(i);
    EXPECT_EQ(run.positions, positions);
}

}  // namespace
}  // namespace updater
