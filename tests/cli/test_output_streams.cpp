// What updater-cli writes goes where it belongs even when a script leaves a standard stream
// closed, and a trace that could not be written whole is reported without failing the update.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "sim/RadioSimulator.h"
#include "tests/cli/CliProcess.h"
#include "tests/cli/SmallImageFile.h"
#include "tests/image/ImageTestSupport.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

// Every byte the trace says was written to the radio, in order.
std::vector<uint8_t> WrittenInTrace(const fs::path& trace) {
    std::ifstream in(trace);
    std::vector<uint8_t> bytes;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string seconds, event, field;
        words >> seconds >> event;
        if (event != "write") continue;
        while (words >> field) {
            if (field.rfind("wire=", 0) != 0) continue;
            for (size_t i = 5; i + 1 < field.size(); i += 2) {
                bytes.push_back(static_cast<uint8_t>(std::stoi(field.substr(i, 2), nullptr, 16)));
            }
        }
    }
    return bytes;
}

class OutputStreams : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(test::WriteSmallImageFile(image_)); }

    test::TempDir dir_;
    fs::path image_ = dir_.Path() / "small.mot";
    fs::path trace_ = dir_.Path() / "trace.txt";
};

// With the input and output closed, no port, wake-up or trace may take their places: the radio
// hears the protocol alone and the trace holds no printed text.
TEST_F(OutputStreams, ClosedStreamsTakeNeitherThePortNorTheTrace) {
    sim::RadioSimulator radio(sim::SimOptions{});
    ASSERT_TRUE(radio.Start());
    const test::CliRun run = test::SpawnCli({"write", "--port", radio.PortPath(), "--file",
                                             image_.string(), "--yes", "--log", trace_.string()},
                                            {.closedStreams = {0, 1}});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<uint8_t> received = radio.Received();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(WrittenInTrace(trace_), received);
    std::ifstream in(trace_);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(text.find("Searching for the radio"), std::string::npos);
}

TEST_F(OutputStreams, TraceThatCannotGrowIsReportedOnceAndTheUpdateStands) {
    sim::RadioSimulator radio(sim::SimOptions{});
    ASSERT_TRUE(radio.Start());
    const test::CliRun run = test::SpawnCli({"write", "--port", radio.PortPath(), "--file",
                                             image_.string(), "--yes", "--log", trace_.string()},
                                            {.fileSizeLimit = 4096});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string report = "the trace is incomplete: ";
    const size_t first = run.err.find(report);
    ASSERT_NE(first, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(report, first + 1), std::string::npos) << "said once:\n" << run.err;
    EXPECT_LE(fs::file_size(trace_), 4096u);
}

}  // namespace
}  // namespace updater
