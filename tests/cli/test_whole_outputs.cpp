// What a person and a script get from updater-cli whatever happens: the version question on
// the terminal even when the output goes into a file, one JSON document with --json even when
// the command ends early, and an output that cannot be written reported as an error.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim/RadioSimulator.h"
#include "tests/cli/CliProcess.h"
#include "tests/cli/SmallImageFile.h"
#include "tests/image/ImageTestSupport.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

class WholeOutputs : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(test::WriteSmallImageFile(image_)); }

    test::TempDir dir_;
    fs::path image_ = dir_.Path() / "small.mot";
};

// `write --port P > out.txt` on a terminal: the question and its answer's echo are on the
// terminal, where the person answers; the output file keeps the question and the answer too.
TEST_F(WholeOutputs, QuestionIsOnTheTerminalWhenTheOutputGoesElsewhere) {
    sim::SimOptions options;
    options.version = std::array<uint8_t, 16>{'V', '1', '.', '0', '0', '.', '0', '1'};
    sim::RadioSimulator radio(options);
    ASSERT_TRUE(radio.Start());
    test::CliRunOptions run_options;
    run_options.inputOnTerminal = true;
    run_options.controllingTerminal = true;
    run_options.typing = {{"Continue? [y/N] ", "y\n"}};
    run_options.timeLimitSeconds = 60;
    const test::CliRun run = test::SpawnCli(
        {"write", "--port", radio.PortPath(), "--file", image_.string()}, run_options);
    EXPECT_EQ(run.status, 0) << run.out << run.err << run.terminal;
    EXPECT_NE(run.terminal.find("Ver. V1.00.01 -> Ver. "), std::string::npos) << run.terminal;
    EXPECT_NE(run.terminal.find("Continue? [y/N] y"), std::string::npos) << run.terminal;
    EXPECT_NE(run.out.find("Continue? [y/N] y\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Writing completed."), std::string::npos) << run.out;
    EXPECT_TRUE(radio.Report().endReceived);
}

// Every way to end before the work: the output is one JSON object with the reason and the
// exit status, which is also the program's.
TEST_F(WholeOutputs, EachEarlyEndPrintsOneJsonDocument) {
    const fs::path text = dir_.Write("notes.txt", std::vector<uint8_t>{'h', 'i', '\n'});
    const fs::path traceFile = dir_.Path() / "trace.txt";
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        int status;
        bool onTerminal = false;  // the input is the program's controlling terminal
    };
    const std::vector<Case> cases = {
        {"unknown option", {"write", "--json", "--port", "/dev/null", "--force"}, 2},
        {"no verb", {"--json"}, 2},
        {"blank --port", {"write", "--json", "--port", " ", "--yes"}, 2},
        {"a bench with --log on a file",
         {"write", "--json", "--port", "/dev/a", "--port", "/dev/b", "--yes", "--log",
          traceFile.string()},
         2},
        {"an image that is not valid",
         {"write", "--json", "--port", "/dev/null", "--yes", "--file", text.string()},
         1},
        {"info of an image that is not valid", {"info", "--json", "--file", text.string()}, 1},
        {"the program's own terminal", {"write", "--json", "--port", "/dev/tty", "--yes"}, 4},
        // The terminal under its own name (/dev/pts/N), reached through the input.
        {"the program's own terminal by its device",
         {"write", "--json", "--port", "/proc/self/fd/0", "--yes"},
         4,
         true},
    };
    for (const Case& c : cases) {
        const test::CliRun run = test::SpawnCli(c.arguments, {.inputOnTerminal = c.onTerminal,
                                                              .controllingTerminal = c.onTerminal,
                                                              .timeLimitSeconds = 20});
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.err;
        const nlohmann::json report = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(report.is_object()) << c.what << ":\n" << run.out;
        EXPECT_TRUE(report["error"].is_string()) << c.what;
        EXPECT_FALSE(report["error"].get<std::string>().empty()) << c.what;
        EXPECT_EQ(report["exit_status"], c.status) << c.what;
        EXPECT_FALSE(run.err.empty()) << c.what << ": says why on the error output too";
    }
}

// A full disk under the output is an error, not a success with nothing printed.
TEST_F(WholeOutputs, OutputThatCannotBeWrittenIsAnError) {
    for (const char* arguments :
         {"info", "info --json", "list-ports --port /dev/null", "list-ports --json", "--version"}) {
        const std::string command = test::Quoted(UPDATER_CLI_PATH) + " " + arguments +
                                    " > /dev/full 2> " +
                                    test::Quoted((dir_.Path() / "err.txt").string());
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << arguments;
        EXPECT_EQ(WEXITSTATUS(status), 10) << arguments;
        const std::vector<uint8_t> err = test::ReadAll(dir_.Path() / "err.txt");
        EXPECT_NE(std::string(err.begin(), err.end()).find("cannot write the standard output"),
                  std::string::npos)
            << arguments;
    }
}

}  // namespace
}  // namespace updater
