// A radio whose writing began and did not complete may not start: updater-cli says so after
// the window's message, and a bench never reports such a radio as unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/Messages.h"
#include "sim/RadioSimulator.h"
#include "tests/cli/CliProcess.h"
#include "tests/cli/SmallImageFile.h"
#include "tests/image/ImageTestSupport.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPartlyWritten =
    "the radio was partly written and must be written again before use";

// The radio hangs up at the first 'X' frame, after the low and main areas were written.
sim::SimOptions HangsUpMidWrite() {
    sim::SimOptions options;
    options.faults.hangUp = {sim::SimEvent::XFrame, 1};
    return options;
}

// The bench summary's row of a port: the line that starts with it.
std::string SummaryRow(const std::string& out, const std::string& port) {
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(port + " ", 0) == 0) return line;
    }
    return {};
}

class HonestOutcomes : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(test::WriteSmallImageFile(image_)); }

    test::TempDir dir_;
    fs::path image_ = dir_.Path() / "small.mot";
};

TEST_F(HonestOutcomes, WriteThatBeganAndFailedSaysTheRadioIsPartlyWritten) {
    sim::RadioSimulator radio(HangsUpMidWrite());
    ASSERT_TRUE(radio.Start());
    const test::CliRun run =
        test::SpawnCli({"write", "--port", radio.PortPath(), "--file", image_.string(), "--yes"});
    EXPECT_NE(run.status, 0);
    const size_t message = run.err.find(kTextGeneralFailure);
    ASSERT_NE(message, std::string::npos) << run.err;
    EXPECT_NE(run.err.find(kPartlyWritten, message), std::string::npos)
        << "after the window's message:\n"
        << run.err;
}

TEST_F(HonestOutcomes, FailureBeforeTheWriteSaysNothingOfAPartlyWrittenRadio) {
    sim::SimOptions refusing;
    refusing.faults.refuseAreaCode = 1;  // the very first area code is not answered
    sim::RadioSimulator radio(refusing);
    ASSERT_TRUE(radio.Start());
    const test::CliRun run =
        test::SpawnCli({"write", "--port", radio.PortPath(), "--file", image_.string(), "--yes"});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find(kTextGeneralFailure), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(kPartlyWritten), std::string::npos) << run.err;
}

TEST_F(HonestOutcomes, BenchSummaryCallsARadioThatHungUpMidWriteInterrupted) {
    std::vector<std::unique_ptr<sim::RadioSimulator>> radios;
    radios.push_back(std::make_unique<sim::RadioSimulator>(sim::SimOptions{}));
    radios.push_back(std::make_unique<sim::RadioSimulator>(HangsUpMidWrite()));
    radios.push_back(std::make_unique<sim::RadioSimulator>(sim::SimOptions{}));
    std::vector<std::string> arguments = {"write", "--file", image_.string(), "--yes"};
    for (const auto& radio : radios) {
        ASSERT_TRUE(radio->Start());
        arguments.insert(arguments.end(), {"--port", radio->PortPath()});
    }
    const test::CliRun run = test::SpawnCli(arguments);
    EXPECT_NE(run.status, 0) << run.out << run.err;

    const std::string interrupted = SummaryRow(run.out, radios[1]->PortPath());
    EXPECT_NE(interrupted.find("(interrupted)"), std::string::npos) << run.out;
    EXPECT_EQ(interrupted.find("unchanged"), std::string::npos) << interrupted;
    EXPECT_NE(interrupted.find("partly written"), std::string::npos) << interrupted;
    for (const size_t written : {0u, 2u}) {
        const std::string row = SummaryRow(run.out, radios[written]->PortPath());
        EXPECT_NE(row.find(" -> "), std::string::npos) << run.out;
        EXPECT_NE(row.find(kTextWritingCompleted), std::string::npos) << row;
    }
}

}  // namespace
}  // namespace updater
