// Signals that reach updater-cli while it talks to the simulated radio: at the version question
// they end the program at once with the radio untouched; during the write a single Ctrl+C or
// Ctrl+\ only warns and the write completes; another program's SIGUSR1 changes nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "sim/RadioSimulator.h"
#include "tests/cli/CliProcess.h"
#include "tests/cli/SmallImageFile.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/support/RadioMemoryCheck.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

class CliSignals : public ::testing::Test {
  protected:
    void SetUp() override {
        image_ = dir_.Path() / "small.mot";
        ASSERT_TRUE(test::WriteSmallImageFile(image_));
    }

    // The radio answers the address range late (within the Updater's wait): a signal sent
    // as the progress starts still finds the write under way.
    static sim::SimOptions SlowRadio() {
        sim::SimOptions options;
        options.faults.lateAnswer = {sim::SimEvent::AddressRange, 1};
        options.faults.lateAnswerMs = 2500;
        return options;
    }

    // Empty when the radio holds the small image and nothing else.
    std::string MemoryMismatch(const sim::RadioSimulator& radio) const {
        FirmwareImage image;
        if (!LoadAndValidateImage(image, StoredImage::ReadFile(image_.string()),
                                  ImageLoadForm::SpecialSettings)) {
            return "the small image does not load";
        }
        return testing::MemoryMismatch(
            radio, {&image.lowAreaRecords, &image.mainAreaRecords, &image.topAreaTransferList});
    }

    test::TempDir dir_;
    fs::path image_;
};

TEST_F(CliSignals, SignalAtTheVersionQuestionEndsTheProgramWithTheRadioUntouched) {
    for (const int signal : {SIGINT, SIGTERM}) {
        sim::RadioSimulator radio(sim::SimOptions{});
        ASSERT_TRUE(radio.Start());
        test::CliRunOptions options;
        options.inputOnTerminal = true;  // the question waits on a terminal nobody types on
        options.cues = {{"Continue? [y/N]", signal}};
        options.timeLimitSeconds = 30;
        const test::CliRun run = test::SpawnCli(
            {"write", "--port", radio.PortPath(), "--file", image_.string()}, options);
        EXPECT_EQ(run.status, 3) << strsignal(signal) << "\n" << run.out << run.err;
        EXPECT_NE(run.err.find("stopped by SIG"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("the port is closed"), std::string::npos) << run.err;
        const std::vector<bool> written = radio.Written();
        EXPECT_EQ(std::count(written.begin(), written.end(), true), 0) << "memory was changed";
        // Nothing more went to the radio after the question: not even the end command.
        const sim::SimReport report = radio.Report();
        EXPECT_FALSE(report.endReceived);
        EXPECT_EQ(std::count_if(report.commands.begin(), report.commands.end(),
                                [](const std::string& c) { return c.rfind("area code", 0) == 0; }),
                  0);
    }
}

TEST_F(CliSignals, OneCtrlBackslashDuringTheWriteOnlyWarns) {
    sim::RadioSimulator radio(SlowRadio());
    ASSERT_TRUE(radio.Start());
    test::CliRunOptions options;
    options.cues = {{"progress: 0%", SIGQUIT}};
    const test::CliRun run = test::SpawnCli(
        {"write", "--port", radio.PortPath(), "--file", image_.string(), "--yes"}, options);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.err.find("the write goes on; press Ctrl+C again"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("Writing completed."), std::string::npos) << run.out;
    EXPECT_EQ(MemoryMismatch(radio), "");
}

TEST_F(CliSignals, ForeignSigusr1LeavesCtrlCWorking) {
    sim::RadioSimulator radio(SlowRadio());
    ASSERT_TRUE(radio.Start());
    test::CliRunOptions options;
    // SIGUSR1 while the radio is searched for, Ctrl+C once the write runs.
    options.cues = {{"Searching for the radio", SIGUSR1}, {"progress: 0%", SIGINT}};
    const test::CliRun run = test::SpawnCli(
        {"write", "--port", radio.PortPath(), "--file", image_.string(), "--yes"}, options);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.err.find("the write goes on; press Ctrl+C again"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("Writing completed."), std::string::npos) << run.out;
    EXPECT_EQ(MemoryMismatch(radio), "");
}

}  // namespace
}  // namespace updater
