// Signals that reach updater-cli while it talks to the simulated radio: at the version question
// they end the program at once with the radio untouched; during the write a single Ctrl+C,
// Ctrl+\ or Ctrl+Z only warns and the write completes, and a Ctrl+C after any first signal
// stops it; another program's SIGUSR1 changes nothing; a bench stopped while a radio is still
// searched for does not start that radio.
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
    EXPECT_NE(run.err.find("stopping now may leave it unusable"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the write goes on; press Ctrl+C again"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("Writing completed."), std::string::npos) << run.out;
    EXPECT_EQ(MemoryMismatch(radio), "");
    const sim::SimReport report = radio.Report();
    EXPECT_TRUE(report.ChecksHeld()) << (report.problems.empty() ? "" : report.problems[0]);
}

// Ctrl+Z, then fg: the loader would drop a session that stands still, so the program does not
// stop; it says so and what a Ctrl+C would do, and the write completes as if nothing happened.
TEST_F(CliSignals, CtrlZDuringTheWriteOnlyWarnsAndFgChangesNothing) {
    sim::RadioSimulator radio(SlowRadio());
    ASSERT_TRUE(radio.Start());
    test::CliRunOptions options;
    // Were the program suspended, the warning would never come and the run would time out.
    options.cues = {{"progress: 0%", SIGTSTP}, {"not suspended", SIGCONT}};
    options.timeLimitSeconds = 60;
    const test::CliRun run = test::SpawnCli(
        {"write", "--port", radio.PortPath(), "--file", image_.string(), "--yes"}, options);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.err.find("the write goes on; press Ctrl+C to stop it anyway"), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("Writing completed."), std::string::npos) << run.out;
    EXPECT_EQ(MemoryMismatch(radio), "");
    const sim::SimReport report = radio.Report();
    EXPECT_TRUE(report.ChecksHeld()) << (report.problems.empty() ? "" : report.problems[0]);
}

// After any first signal during the write, the warning says that Ctrl+C stops it, and it does.
TEST_F(CliSignals, CtrlCAfterAFirstSignalStopsTheWrite) {
    struct Case {
        int first;
        const char* said;
    };
    for (const Case& c : {Case{SIGINT, "the write goes on; press Ctrl+C again to stop anyway"},
                          Case{SIGTERM, "the write goes on; press Ctrl+C to stop it anyway"},
                          Case{SIGHUP, "the write goes on; press Ctrl+C to stop it anyway"}}) {
        sim::RadioSimulator radio(SlowRadio());
        ASSERT_TRUE(radio.Start());
        test::CliRunOptions options;
        options.cues = {{"progress: 0%", c.first}, {c.said, SIGINT}};
        options.timeLimitSeconds = 60;
        const test::CliRun run = test::SpawnCli(
            {"write", "--port", radio.PortPath(), "--file", image_.string(), "--yes"}, options);
        EXPECT_EQ(run.status, 3) << strsignal(c.first) << "\n" << run.out << run.err;
        EXPECT_NE(run.err.find("stopped by SIGINT"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("the port is closed"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("partly written"), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("Writing completed."), std::string::npos) << run.out;
    }
}

// Ctrl+C while one radio of a bench is written and the other still searched for: the first is
// written whole, the second is left as it was, and the exit status is that of a stop.
TEST_F(CliSignals, StoppedBenchStartsNoRadioThatIsStillSearched) {
    sim::RadioSimulator written(SlowRadio());
    sim::SimOptions silent;
    silent.faults.noSyn = true;
    sim::RadioSimulator searched(silent);
    ASSERT_TRUE(written.Start());
    ASSERT_TRUE(searched.Start());
    test::CliRunOptions options;
    options.cues = {{"] writing", SIGINT}};
    options.timeLimitSeconds = 60;
    const test::CliRun run =
        test::SpawnCli({"write", "--port", written.PortPath(), "--port", searched.PortPath(),
                        "--file", image_.string(), "--yes"},
                       options);
    EXPECT_EQ(run.status, 3) << run.out << run.err;
    EXPECT_NE(run.err.find("not started"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("[" + searched.PortPath() + "] not started (stopped)"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("[" + written.PortPath() + "] Writing completed."), std::string::npos)
        << run.out;
    EXPECT_EQ(MemoryMismatch(written), "");
    const std::vector<bool> memory = searched.Written();
    EXPECT_EQ(std::count(memory.begin(), memory.end(), true), 0) << "memory was changed";
    EXPECT_EQ(searched.Report().sessions, 0);
}

}  // namespace
}  // namespace updater
