// What updater-cli writes goes where it belongs even when a script leaves a standard stream
// closed, a trace that could not be written whole is reported without failing the update, a
// bench keeps one whole trace per radio, and a radio's escape sequences never reach the
// terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

// A limit of 1 byte stops the trace's very first line: the file-size signal must not end the
// program there either.
TEST_F(OutputStreams, TraceThatCannotGrowIsReportedOnceAndTheUpdateStands) {
    for (const long limit : {4096L, 1L}) {
        sim::RadioSimulator radio(sim::SimOptions{});
        ASSERT_TRUE(radio.Start());
        const test::CliRun run =
            test::SpawnCli({"write", "--port", radio.PortPath(), "--file", image_.string(), "--yes",
                            "--log", trace_.string()},
                           {.fileSizeLimit = limit});
        EXPECT_EQ(run.status, 0) << limit << "\n" << run.err;
        const std::string report = "the trace is incomplete: ";
        const size_t first = run.err.find(report);
        ASSERT_NE(first, std::string::npos) << run.err;
        EXPECT_EQ(run.err.find(report, first + 1), std::string::npos) << "said once:\n" << run.err;
        EXPECT_LE(fs::file_size(trace_), static_cast<uintmax_t>(limit));
    }
}

// Each radio of a bench has its trace of its own: every byte it received, in order, and none
// of the other's; both end with the outcome. The radios' versions hold escape sequences
// (clear the screen, ring the bell): they are shown escaped, never sent to the terminal.
TEST_F(OutputStreams, BenchKeepsOneWholeTracePerRadioAndEscapesTheRadiosTexts) {
    sim::SimOptions options;
    options.version = std::array<uint8_t, 16>{'V', 0x1B, '[', '2', 'J', 0x07, '1', '2'};
    sim::RadioSimulator first(options);
    sim::RadioSimulator second(options);
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    const fs::path traces = dir_.Path() / "traces";
    fs::create_directory(traces);
    const test::CliRun run =
        test::SpawnCli({"write", "--port", first.PortPath(), "--port", second.PortPath(), "--file",
                        image_.string(), "--yes", "--log", traces.string()});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\x07'), std::string::npos) << run.out;
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("V\\x1B[2J\\x0712 -> "), std::string::npos) << run.out;

    for (const sim::RadioSimulator* radio : {&first, &second}) {
        const std::string port = radio->PortPath();
        // /dev/pts/N: its trace is pts_N.trace.
        std::string name = port.substr(std::string("/dev/").size());
        std::replace(name.begin(), name.end(), '/', '_');
        const fs::path trace = traces / (name + ".trace");
        ASSERT_TRUE(fs::exists(trace)) << trace;
        EXPECT_EQ(WrittenInTrace(trace), radio->Received()) << trace;
        std::ifstream in(trace);
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        EXPECT_EQ(text.rfind("# updater-cli session trace", 0), 0u) << trace;
        EXPECT_NE(text.find("device=\"" + port + "\""), std::string::npos) << trace;
        const std::string other = (radio == &first ? second : first).PortPath();
        EXPECT_EQ(text.find(other + "\""), std::string::npos) << trace;
        EXPECT_NE(text.find("outcome result=1"), std::string::npos) << trace;
    }
}

}  // namespace
}  // namespace updater
