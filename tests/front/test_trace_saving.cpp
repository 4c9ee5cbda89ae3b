// "Save trace of the last update…" without a toolkit: greyed until an update has ended and
// while one runs, the last update's trace (and only that) written where the user chose, and
// a clear message when it cannot be.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "RecordingWindow.h"
#include "front/TraceSaving.h"
#include "front/UpdaterDialogCore.h"
#include "protocol/Messages.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/SmallImage.h"
#include "tests/support/TraceLines.h"

namespace updater {
namespace {

namespace fs = std::filesystem;
using testing::MessageRecorder;
using testing::RecordingWindow;

constexpr const char* kMissingPort = "no-such-port-for-the-updater";

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct CoreWithMissingPort {
    CoreWithMissingPort() {
        FrontOptions options;
        options.imageLoader = testing::LoadSmallImage;
        options.portEnumerator = [](SerialPort&) {
            return std::vector<PortInfo>{PortInfo{kMissingPort, {}, {}, {}}};
        };
        core = std::make_unique<UpdaterDialogCore>(window, link, options);
        core->OnInitDialog();
    }
    RecordingWindow window;
    LinkPort link;
    std::unique_ptr<UpdaterDialogCore> core;
};

class TraceSaving : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() /
            ("trace-saving-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(TraceSaving, GreyedUntilAnUpdateHasEndedAndWhileOneRuns) {
    MessageRecorder recorder;
    CoreWithMissingPort under;
    int chooserCalls = 0;
    under.window.traceFileChooser = [&] {
        ++chooserCalls;
        return (dir_ / "trace.txt").string();
    };
    EXPECT_FALSE(under.window.traceSavingEnabled);
    EXPECT_FALSE(under.core->TraceSavingAvailable());
    under.core->OnSaveTrace();  // before any update: nothing to save
    EXPECT_EQ(chooserCalls, 0);

    bool greyedDuringUpdate = false;
    recorder.answer = [&](const testing::RecordedMessage&) {
        greyedDuringUpdate =
            !under.window.traceSavingEnabled && !under.core->TraceSavingAvailable();
        under.core->OnSaveTrace();  // refused while the update runs
        return ID_OK;
    };
    under.core->OnWrite();
    EXPECT_TRUE(greyedDuringUpdate);
    EXPECT_EQ(chooserCalls, 0);
    EXPECT_TRUE(under.window.traceSavingEnabled);
    EXPECT_TRUE(under.core->TraceSavingAvailable());
}

TEST_F(TraceSaving, SavesTheLastUpdatesTraceOnlyWhereTheUserChose) {
    MessageRecorder recorder;
    CoreWithMissingPort under;
    under.core->OnWrite();
    under.core->OnWrite();  // the trace of this one replaces the first
    ASSERT_EQ(recorder.messages.size(), 2u);

    under.window.traceFileChooser = [] { return std::string(); };  // cancelled
    under.core->OnSaveTrace();
    EXPECT_TRUE(fs::is_empty(dir_));
    EXPECT_TRUE(std::regex_match(under.window.suggestedTraceName,
                                 std::regex(R"(update-trace-\d{4}-\d\d-\d\d-\d{6}\.txt)")))
        << under.window.suggestedTraceName;

    const fs::path path = dir_ / "trace.txt";
    under.window.traceFileChooser = [&] { return path.string(); };
    under.core->OnSaveTrace();
    EXPECT_EQ(recorder.messages.size(), 2u);  // saved without a word
    const std::string trace = ReadText(path);
    EXPECT_EQ(trace.rfind(std::string(kTraceHeader) + ", started ", 0), 0u) << trace;
    // One update: its start with the port, the failing step, the message and the outcome.
    size_t updates = 0;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        if (testing::TraceEvent(line) == "update") {
            ++updates;
            EXPECT_NE(line.find(std::string("device=\"") + kMissingPort + "\""), std::string::npos);
        }
    }
    EXPECT_EQ(updates, 1u);
    const std::vector<testing::TraceStep> steps = testing::TraceSteps(trace);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].name, "OpenPort");
    EXPECT_EQ(steps[0].result, "failed");
    EXPECT_EQ(steps[0].fault, "not-open");
    EXPECT_NE(trace.find("fault=not-open reason=\"the port is not open\""), std::string::npos);
    EXPECT_EQ(steps[0].code, "0xFFFF0001");
    EXPECT_NE(trace.find("message caption=\"Error\" text=\"The COM port cannot be opened.\""),
              std::string::npos);
    const std::string last = testing::TraceLastLine(trace);
    EXPECT_EQ(testing::TraceEvent(last), "outcome");
    EXPECT_EQ(testing::TraceField(last, "code"), "0xFFFF0001");
}

TEST_F(TraceSaving, AFileThatCannotBeWrittenIsReported) {
    MessageRecorder recorder;
    CoreWithMissingPort under;
    under.core->OnWrite();
    recorder.messages.clear();
    const fs::path path = dir_ / "no-such-folder" / "trace.txt";
    under.window.traceFileChooser = [&] { return path.string(); };
    under.core->OnSaveTrace();

    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(
        recorder.messages[0].text.rfind("The trace could not be saved to " + path.string(), 0), 0u)
        << recorder.messages[0].text;
    EXPECT_EQ(recorder.messages[0].caption, kCaptionError);
    EXPECT_EQ(recorder.messages[0].style, MB_OK_STOP);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(under.window.traceSavingEnabled);  // the trace is still there to save
}

}  // namespace
}  // namespace updater
