// updater-cli write into the simulated radio (in this process, on a pseudo-terminal): the
// --log trace holds every byte the radio received, in order, and reads as its format says;
// on a terminal the progress line shows the time left. And the reasons after "The COM port
// cannot be opened.".
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "image/ImageLoader.h"
#include "protocol/Messages.h"
#include "sim/RadioSimulator.h"
#include "tests/cli/CliProcess.h"
#include "tests/link/PtyPeer.h"
#include "tests/support/HoldingProcess.h"

#ifndef SMALL_IMAGE_PATH
#error "SMALL_IMAGE_PATH must name the small plain S-record image"
#endif

namespace updater {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// One line of the trace: time, event and its key=value fields.
struct TraceLine {
    double seconds = 0;
    std::string event;
    std::vector<std::pair<std::string, std::string>> fields;
    std::string Field(const std::string& key) const {
        for (const auto& [k, v] : fields) {
            if (k == key) return v;
        }
        return {};
    }
};

// Parses the trace as a script would; a line that does not read fails the test.
std::vector<TraceLine> ParseTrace(const std::string& text) {
    std::vector<TraceLine> lines;
    std::istringstream in(text);
    for (std::string row; std::getline(in, row);) {
        if (row.empty() || row[0] == '#') continue;
        TraceLine line;
        std::istringstream words(row);
        words >> line.seconds >> line.event;
        EXPECT_FALSE(words.fail()) << row;
        std::string rest;
        std::getline(words, rest);
        // key=value with bare or double-quoted (escaped) values.
        static const std::regex field(R"( ([a-z_]+)=("(?:[^"\\]|\\.)*"|[^ "]*))");
        size_t consumed = 0;
        for (std::sregex_iterator it(rest.begin(), rest.end(), field), end; it != end; ++it) {
            EXPECT_EQ(static_cast<size_t>(it->position()), consumed) << row;
            consumed = static_cast<size_t>(it->position() + it->length());
            line.fields.emplace_back((*it)[1], (*it)[2]);
        }
        EXPECT_EQ(consumed, rest.size()) << row;
        lines.push_back(line);
    }
    return lines;
}

// One whole write of the small image into the simulated radio, shared by the tests below.
class WriteIntoRadio : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ =
            new fs::path(fs::temp_directory_path() / ("cli-write-" + std::to_string(::getpid())));
        fs::create_directories(*dir_);
        std::string image = ReadText(SMALL_IMAGE_PATH);
        ImageLoader::Descramble(reinterpret_cast<uint8_t*>(image.data()),
                                static_cast<int64_t>(image.size()));
        std::ofstream(*dir_ / "small.mot", std::ios::binary) << image;

        sim::RadioSimulator radio(sim::SimOptions{});
        ASSERT_TRUE(radio.Start());
        test::CliRunOptions options;
        options.outputOnTerminal = true;
        run_ = new test::CliRun(test::SpawnCli(
            {"write", "--port", radio.PortPath(), "--file", (*dir_ / "small.mot").string(), "--yes",
             "--log", (*dir_ / "trace.txt").string()},
            options));
        received_ = new Bytes(radio.Received());
        radio.Stop();
        trace_ = new std::string(ReadText(*dir_ / "trace.txt"));
    }
    static void TearDownTestSuite() {
        fs::remove_all(*dir_);
        delete dir_;
        delete run_;
        delete received_;
        delete trace_;
    }

    static fs::path* dir_;
    static test::CliRun* run_;
    static Bytes* received_;
    static std::string* trace_;
};

fs::path* WriteIntoRadio::dir_ = nullptr;
test::CliRun* WriteIntoRadio::run_ = nullptr;
Bytes* WriteIntoRadio::received_ = nullptr;
std::string* WriteIntoRadio::trace_ = nullptr;

TEST_F(WriteIntoRadio, TraceHoldsEveryByteTheRadioReceivedInOrder) {
    ASSERT_EQ(run_->status, 0) << run_->out << run_->err;
    Bytes written;
    for (const TraceLine& line : ParseTrace(*trace_)) {
        if (line.event != "write") continue;
        const Bytes wire = FromHex(line.Field("wire"));
        EXPECT_EQ(std::to_string(wire.size()), line.Field("count"));
        written.insert(written.end(), wire.begin(), wire.end());
    }
    ASSERT_FALSE(received_->empty());
    EXPECT_EQ(written, *received_);
}

TEST_F(WriteIntoRadio, TraceReadsAsItsFormatSays) {
    const std::vector<TraceLine> lines = ParseTrace(*trace_);
    ASSERT_FALSE(lines.empty());
    const std::set<std::string> events = {
        "update", "port", "open", "close",   "settings",       "timeout", "purge",  "write",
        "read",   "wait", "step", "message", "progress-range", "answer",  "outcome"};
    double previous = 0;
    std::set<std::string> steps, speeds;
    for (const TraceLine& line : lines) {
        EXPECT_TRUE(events.count(line.event)) << line.event;
        EXPECT_GE(line.seconds, previous);
        previous = line.seconds;
        if (line.event == "step") {
            EXPECT_EQ(line.Field("result"), "ok") << line.Field("name");
            steps.insert(line.Field("name"));
        }
        if (line.event == "settings") speeds.insert(line.Field("value").substr(0, 5));
        if (line.event == "read" && line.Field("result") == "ok") {
            // The key is removed the same way from every byte of one read.
            const Bytes wire = FromHex(line.Field("wire")), plain = FromHex(line.Field("plain"));
            ASSERT_EQ(wire.size(), plain.size());
            for (size_t i = 1; i < wire.size(); ++i) {
                EXPECT_EQ(wire[i] ^ plain[i], wire[0] ^ plain[0]);
            }
        }
    }
    for (const char* step : {"OpenPort", "FindRadio", "RequestIdentity", "CheckModelCode",
                             "CompareTopAreaTag", "ConfirmVersionChange", "SendEnd", "ClosePort"}) {
        EXPECT_TRUE(steps.count(step)) << step;
    }
    // The search speed, the loader's 19200 and the transfer speed.
    for (const char* speed : {"9600,", "19200", "38400"}) EXPECT_TRUE(speeds.count(speed)) << speed;
    EXPECT_EQ(lines.front().event, "update");
    EXPECT_EQ(lines.back().event, "outcome");
    EXPECT_EQ(lines.back().Field("result"), "1");
}

TEST_F(WriteIntoRadio, ProgressLineOnATerminalShowsTheTimeLeft) {
    ASSERT_EQ(run_->status, 0) << run_->err;
    // Rewritten in place: each drawing starts with a carriage return, not a new line.
    static const std::regex progress(
        R"(\rWriting \[[#.]{30}\] +\d+%  (\d+)/(\d+) blocks  \d+:\d\d elapsed  (\d+:\d\d) left)");
    int drawings = 0;
    bool finalShown = false;
    for (std::sregex_iterator it(run_->out.begin(), run_->out.end(), progress), end; it != end;
         ++it) {
        ++drawings;
        finalShown = finalShown || ((*it)[1] == (*it)[2] && (*it)[3] == "0:00");
    }
    EXPECT_GE(drawings, 2) << run_->out;
    EXPECT_TRUE(finalShown) << "the last drawing has all blocks done and no time left";
    EXPECT_EQ(run_->out.find("progress: "), std::string::npos) << "no plain lines on a terminal";
}

// A write that fails names the step where it stopped on the line right after the window's
// message, and --json carries the same step with the rest of the outcome.
TEST(WriteCommandFailedStep, NamesTheStepRightAfterTheWindowsMessage) {
    const fs::path dir = fs::temp_directory_path() / ("cli-step-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string image = ReadText(SMALL_IMAGE_PATH);
    ImageLoader::Descramble(reinterpret_cast<uint8_t*>(image.data()),
                            static_cast<int64_t>(image.size()));
    std::ofstream(dir / "small.mot", std::ios::binary) << image;
    // The general message under its caption, as the terminal shows a text of two lines.
    const std::string general = std::string(kCaptionError) + ":\n" + kTextGeneralFailure + "\n";

    struct Case {
        const char* fault;
        void (*set)(sim::SimFaults&);
        const char* step;
        const char* reason;
    };
    const Case cases[] = {
        {"refused area code", [](sim::SimFaults& f) { f.refuseAreaCode = 2; }, "SendAreaCodes",
         "the radio refused the area code P2 (NAK)"},
        {"silent checkpoint", [](sim::SimFaults& f) { f.silentCheckpoint = 1; }, "WriteLowArea",
         "no answer within 1000 ms to the checkpoint at 19200 bit/s after frames at 38400 bit/s"},
    };
    std::set<std::string> named;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        sim::SimOptions options;
        c.set(options.faults);
        sim::RadioSimulator radio(options);
        ASSERT_TRUE(radio.Start());
        const test::CliRun run = test::SpawnCli({"write", "--port", radio.PortPath(), "--file",
                                                 (dir / "small.mot").string(), "--yes", "--json"});
        radio.Stop();
        EXPECT_EQ(run.status, 9) << run.err;
        const size_t message = run.err.find(general);
        ASSERT_NE(message, std::string::npos) << run.err;
        const std::string next = run.err.substr(message + general.size());
        const std::string line = next.substr(0, next.find('\n'));
        EXPECT_TRUE(line.starts_with(std::string("updater-cli: failed at ") + c.step + " ("))
            << run.err;
        // Why, on the line after the step.
        EXPECT_TRUE(
            next.substr(line.size()).starts_with(std::string("\nupdater-cli: ") + c.reason + "\n"))
            << run.err;
        // Both faults strike after the radio answered its first area code.
        EXPECT_NE(next.find("\nupdater-cli: the radio was partly written"), std::string::npos)
            << run.err;

        const nlohmann::json report = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(report.is_array() && report.size() == 1) << run.out;
        EXPECT_EQ(report[0]["failed_step"], c.step);
        EXPECT_EQ(report[0]["written"], false);
        EXPECT_EQ(report[0]["exit_status"], 9);
        EXPECT_EQ(report[0]["partly_written"], true);
        EXPECT_EQ(report[0]["port"], radio.PortPath());
        EXPECT_TRUE(report[0]["failed_activity"].is_string());
        EXPECT_EQ(report[0]["reason"], c.reason);
        EXPECT_EQ(report[0]["stopped_by"], nullptr);
        named.insert(line);
    }
    EXPECT_EQ(named.size(), 2u) << "the two faults are told apart";
    fs::remove_all(dir);
}

// The reasons after the window's text when the port cannot be opened.
TEST(WriteCommandPortErrors, SayWhyThePortCannotBeOpened) {
    test::PtyPeer peer;
    ASSERT_TRUE(peer.Ready());
    const std::string opened = "The COM port cannot be opened.";

    const test::CliRun missing = test::SpawnCli({"write", "--port", "/dev/no-such-port", "--yes"});
    EXPECT_EQ(missing.status, 4);
    EXPECT_NE(missing.err.find(opened), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("/dev/no-such-port: not found"), std::string::npos) << missing.err;
    // --json carries the same reason; a name that is no serial port says what it is instead.
    const test::CliRun asJson = test::SpawnCli({"write", "--port", "/dev/null", "--yes", "--json"});
    EXPECT_EQ(asJson.status, 4);
    const nlohmann::json report = nlohmann::json::parse(asJson.out, nullptr, false);
    ASSERT_TRUE(report.is_array() && report.size() == 1) << asJson.out;
    EXPECT_EQ(report[0]["detail"], "not a serial port (a null device)");
    EXPECT_EQ(report[0]["reason"], "the port did not open: not a serial port (a null device)");
    EXPECT_EQ(report[0]["exit_status"], 4);
    EXPECT_NE(asJson.err.find("/dev/null: not a serial port (a null device)"), std::string::npos)
        << asJson.err;

    {
        test::HoldingProcess holder(peer.SlavePath(), "radio-holder");
        ASSERT_TRUE(holder.Holding());
        const test::CliRun held = test::SpawnCli({"write", "--port", peer.SlavePath(), "--yes"});
        EXPECT_EQ(held.status, 4);
        // This test's own handle on the terminal is named too: the holder is among those.
        const size_t reason = held.err.find(": in use by ");
        EXPECT_LT(held.err.find(opened), reason) << held.err;
        EXPECT_NE(held.err.find("radio-holder (pid " + std::to_string(holder.Pid()) + ")", reason),
                  std::string::npos)
            << held.err;
    }

    if (test::SpawnCli({"--version"}, {.asOrdinaryUser = true}).status != 0) {
        GTEST_SKIP() << "updater-cli cannot be run as an ordinary user here";
    }
    ASSERT_EQ(chmod(peer.SlavePath().c_str(), 0), 0);
    const test::CliRun refused =
        test::SpawnCli({"write", "--port", peer.SlavePath(), "--yes"}, {.asOrdinaryUser = true});
    EXPECT_EQ(refused.status, 4);
    EXPECT_NE(refused.err.find("no permission: add your user to the 'dialout' group"),
              std::string::npos)
        << refused.err;
}

// --log replaces an earlier trace, but never a file of another kind (an image named by mistake).
TEST(WriteCommandLog, ReplacesAnEarlierTraceButNoOtherFile) {
    const fs::path dir = fs::temp_directory_path() / ("cli-log-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path image = dir / "radio.mot";
    const std::string imageText = "S00B000057494E4520453245E5\r\n";
    std::ofstream(image, std::ios::binary) << imageText;
    const test::CliRun refused =
        test::SpawnCli({"write", "--port", "/dev/no-such-port", "--log", image.string()});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("is not a trace of updater-cli"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadText(image), imageText);

    const fs::path trace = dir / "trace.txt";
    std::ofstream(trace) << "# updater-cli session trace, started earlier\n0.1 open old\n";
    const test::CliRun replaced =
        test::SpawnCli({"write", "--port", "/dev/no-such-port", "--yes", "--log", trace.string()});
    EXPECT_EQ(replaced.status, 4);
    const std::vector<TraceLine> lines = ParseTrace(ReadText(trace));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].event, "update");
    const auto open = std::find_if(lines.begin(), lines.end(),
                                   [](const TraceLine& line) { return line.event == "open"; });
    ASSERT_NE(open, lines.end());
    EXPECT_EQ(open->Field("result"), "failed");
    EXPECT_EQ(open->Field("reason"), "not-found");
    EXPECT_EQ(lines.back().Field("code"), "0xFFFF0001");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace updater
