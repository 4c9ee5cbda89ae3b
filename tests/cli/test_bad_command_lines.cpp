// Command lines a script can get wrong: each is a usage error (exit 2) before anything is
// opened, so a mistyped or unset value never reaches a radio, a port or a file.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/CliProcess.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/link/PtyPeer.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

// Sees every open of a path from now on (inotify reports opens of device nodes too).
class OpenSeen {
  public:
    explicit OpenSeen(const std::string& path) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (fd_ >= 0) watch_ = inotify_add_watch(fd_, path.c_str(), IN_OPEN);
    }
    ~OpenSeen() {
        if (fd_ >= 0) close(fd_);
    }
    bool Watching() const { return fd_ >= 0 && watch_ >= 0; }
    // True when the path was opened since the last call.
    bool Opened() {
        alignas(inotify_event) char buffer[4096];
        bool opened = false;
        while (read(fd_, buffer, sizeof buffer) > 0) opened = true;
        return opened;
    }

  private:
    int fd_;
    int watch_ = -1;
};

struct BadLine {
    const char* what;
    std::vector<std::string> arguments;  // "PORT" stands for the watched port, "DIR" the folder
};

class BadCommandLines : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(port_.Ready());
        fifo_ = (dir_.Path() / "fifo").string();
        ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
    }

    std::vector<std::string> Expand(const std::vector<std::string>& words) const {
        std::vector<std::string> expanded;
        for (const std::string& word : words) {
            if (word == "PORT") {
                expanded.push_back(port_.SlavePath());
            } else if (word == "DIR") {
                expanded.push_back(dir_.Path().string());
            } else if (word == "FIFO") {
                expanded.push_back(fifo_);
            } else {
                expanded.push_back(word);
            }
        }
        return expanded;
    }

    test::PtyPeer port_;
    test::TempDir dir_;
    std::string fifo_;
};

TEST_F(BadCommandLines, EachExitsWithTheUsageStatusAndOpensNoPort) {
    const std::vector<BadLine> lines = {
        {"no verb", {}},
        {"unknown verb", {"flash", "--port", "PORT"}},
        {"unknown option", {"write", "--port", "PORT", "--yes", "--force"}},
        {"--port without its value", {"write", "--port"}},
        {"no --port", {"write", "--yes"}},
        {"empty --port", {"write", "--port", "", "--yes"}},
        {"blank --port", {"write", "--port", "  ", "--yes"}},
        {"empty --port among others", {"write", "--port", "PORT", "--port", "", "--yes"}},
        {"the same port twice", {"write", "--port", "PORT", "--port", "PORT", "--yes"}},
        {"empty --file", {"write", "--port", "PORT", "--file", "", "--yes"}},
        {"empty --file of info", {"info", "--file", ""}},
        {"empty --log", {"write", "--port", "PORT", "--log", "", "--yes"}},
        {"speed that is no number", {"write", "--port", "PORT", "--speed", "abc", "--yes"}},
        {"speed the radio does not take", {"write", "--port", "PORT", "--speed", "19200"}},
        {"stop bits out of range", {"write", "--port", "PORT", "--stop-bits", "3"}},
        {"a bench without --yes", {"write", "--port", "PORT", "--port", "/dev/null"}},
        {"--log on a folder", {"write", "--port", "PORT", "--log", "DIR", "--yes"}},
        {"--log on a FIFO", {"write", "--port", "PORT", "--log", "FIFO", "--yes"}},
        {"--log on an endless device", {"write", "--port", "PORT", "--log", "/dev/zero", "--yes"}},
        {"--log on the port itself", {"write", "--port", "PORT", "--log", "PORT", "--yes"}},
    };
    OpenSeen opens(port_.SlavePath());
    ASSERT_TRUE(opens.Watching());
    ASSERT_FALSE(opens.Opened());
    for (const BadLine& line : lines) {
        // A hang on a FIFO or an endless read would run into the limit and fail the status.
        const test::CliRun run = test::SpawnCli(Expand(line.arguments), {.timeLimitSeconds = 20});
        EXPECT_EQ(run.status, 2) << line.what << "\n" << run.err;
        EXPECT_FALSE(run.err.empty()) << line.what << ": says why";
        EXPECT_FALSE(opens.Opened()) << line.what << ": the port was opened";
        EXPECT_LT(run.maxResidentKb, 64 * 1024) << line.what << ": read what it should not";
    }
    // Nothing was written into what --log named.
    EXPECT_TRUE(fs::is_directory(dir_.Path()));
    EXPECT_TRUE(fs::is_fifo(fifo_));
}

// A --log that is refused says why in the terms of what it named.
TEST_F(BadCommandLines, LogThatIsNoRegularFileIsRefusedWithItsKind) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"DIR", "a directory"}, {"FIFO", "a pipe"}, {"/dev/zero", "a character device"}};
    for (const auto& [target, kind] : cases) {
        const test::CliRun run = test::SpawnCli(
            Expand({"write", "--port", "/dev/no-such-port", "--yes", "--log", target}),
            {.timeLimitSeconds = 20});
        EXPECT_EQ(run.status, 2) << target;
        EXPECT_NE(run.err.find("it is " + kind), std::string::npos) << run.err;
    }
}

// An empty file is as good as a new one: the trace goes into it.
TEST_F(BadCommandLines, EmptyExistingLogFileIsUsed) {
    const fs::path trace = dir_.Path() / "empty.txt";
    std::ofstream{trace};
    ASSERT_EQ(fs::file_size(trace), 0u);
    const test::CliRun run =
        test::SpawnCli({"write", "--port", "/dev/no-such-port", "--yes", "--log", trace.string()});
    EXPECT_EQ(run.status, 4) << run.err;
    std::ifstream in(trace);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first.rfind("# updater-cli session trace", 0), 0u) << first;
}

}  // namespace
}  // namespace updater
