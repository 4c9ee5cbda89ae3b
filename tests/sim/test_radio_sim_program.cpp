#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/sim/ScriptedSteps.h"

namespace updater::sim::test {
namespace {

// radio-sim --once: path on the first line, one short dialogue, then its own exit with the
// summary and the dump.
TEST(RadioSimProgram, ServesOneDialogueAndExitsWithTheChecksHeld) {
    const std::string dumpPath = ::testing::TempDir() + "radio_sim_dump.txt";
    std::remove(dumpPath.c_str());
    const std::string command = std::string(RADIO_SIM_PATH) +
                                " --once --no-wire-time --speed 4800 --dump " + dumpPath +
                                " 2>/dev/null";
    FILE* sim = popen(command.c_str(), "r");
    ASSERT_NE(sim, nullptr);
    char first[256] = {};
    ASSERT_NE(std::fgets(first, sizeof first, sim), nullptr);
    std::string path(first);
    if (!path.empty() && path.back() == '\n') path.pop_back();
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;

    {
        UpdaterLine line(path);
        ASSERT_TRUE(Connect(line, 4800));
        ASSERT_EQ(Identify(line, 0x3C).size(), 48u);
        EXPECT_EQ(Exchange(line, {0x45}), kAck);
    }
    const int status = pclose(sim);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(std::ifstream(dumpPath).good()) << "the dump is written even when empty";
    std::remove(dumpPath.c_str());
}

// radio-sim with its standard output and error on one pipe.
class SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& options) {
        int ends[2];
        if (pipe(ends) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 2);
        posix_spawn_file_actions_addclose(&actions, ends[0]);
        std::vector<std::string> words{RADIO_SIM_PATH};
        words.insert(words.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, RADIO_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        out_ = ends[0];
    }
    ~SimProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }

    // Reads until `done` holds for what came, or the program's output ends; at most `bound`.
    std::string ReadUntil(const std::function<bool(const std::string&)>& done,
                          std::chrono::seconds bound) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (!done(text_)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{out_, POLLIN, 0};
            if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
            char buffer[512];
            const ssize_t got = read(out_, buffer, sizeof buffer);
            if (got <= 0) break;
            text_.append(buffer, static_cast<std::size_t>(got));
        }
        return text_;
    }
    // The exit status once the program has ended by itself (its output ended), else -1.
    int ExitStatus() {
        int status = 0;
        if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string text_;
};

struct OnceCase {
    const char* name;
    std::vector<std::string> faults;
    std::function<void(UpdaterLine&)> script;  // the Updater's side; the port closes after it
    const char* ending;
};

class RadioSimOnce : public ::testing::TestWithParam<OnceCase> {};

// However the first dialogue ends, radio-sim --once ends after it and says how it ended.
TEST_P(RadioSimOnce, EndsAfterTheFirstDialogueAndSaysHow) {
    std::vector<std::string> options{"--once", "--no-wire-time", "--speed", "4800"};
    options.insert(options.end(), GetParam().faults.begin(), GetParam().faults.end());
    SimProcess sim(options);
    const auto hasLine = [](const std::string& text) { return text.find('\n') != text.npos; };
    const std::string first = sim.ReadUntil(hasLine, std::chrono::seconds(10));
    ASSERT_TRUE(hasLine(first)) << first;
    {
        UpdaterLine line(first.substr(0, first.find('\n')));
        ASSERT_TRUE(line.IsOpen());
        GetParam().script(line);
    }
    const auto ended = [](const std::string&) { return false; };
    const std::string out = sim.ReadUntil(ended, std::chrono::seconds(20));
    EXPECT_NE(out.find(std::string("radio-sim: the dialogue ended: ") + GetParam().ending),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("radio-sim: checks held"), std::string::npos) << out;
    EXPECT_EQ(sim.ExitStatus(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, RadioSimOnce,
    ::testing::Values(OnceCase{"EndCommand",
                               {},
                               [](UpdaterLine& line) {
                                   ASSERT_TRUE(Connect(line, 4800));
                                   ASSERT_EQ(Identify(line, 0x3C).size(), 48u);
                                   EXPECT_EQ(Exchange(line, {0x45}), kAck);
                               },
                               "end command\n"},
                      OnceCase{"PortClosedMidDialogue",
                               {},
                               [](UpdaterLine& line) {
                                   ASSERT_TRUE(Connect(line, 4800));
                                   ASSERT_EQ(Identify(line, 0x3C).size(), 48u);
                               },
                               "the port was closed before the end command (last: handshake 0x3C"},
                      OnceCase{"RefusedAreaCode",
                               {"--refuse-area-code", "1"},
                               [](UpdaterLine& line) {
                                   ASSERT_TRUE(Connect(line, 4800));
                                   ASSERT_EQ(Identify(line, 0x3C).size(), 48u);
                                   EXPECT_EQ(Exchange(line, {'R', '0', 'A'}), 0x15);
                               },
                               "area code 0A refused (fault)\n"},
                      OnceCase{"NoConnection",
                               {"--no-syn"},
                               [](UpdaterLine& line) {
                                   ASSERT_TRUE(line.SetLine(4800));
                                   ASSERT_TRUE(line.Write(kConnectionRequest));
                                   EXPECT_TRUE(line.Read(1, 300).empty());
                               },
                               "no SYN (fault)\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace updater::sim::test
