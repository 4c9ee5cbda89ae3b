// A refused image file: updater-cli prints the window's message, then the file and the reason.
// Each kind of bad file has a reason of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "image/FirmwareImage.h"
#include "image/ImageLoader.h"
#include "tests/cli/CliRun.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

std::string ExpectedRefusal(const std::string& file, ImageProblem problem) {
    return std::string(kTextInvalidImage) + "\n" + file + ": " + ImageProblemText(problem) + "\n";
}

std::vector<uint8_t> Stored(const std::vector<test::Line>& lines) {
    return test::Scrambled(test::PlainImageText(lines));
}

struct BadFile {
    const char* name;
    ImageProblem problem;
    // Makes the file in dir and gives its path.
    std::function<fs::path(const test::TempDir& dir)> make;
    bool asOtherUser = false;  // a user the file's permissions keep out, even when run as root
};

std::vector<BadFile> BadFiles() {
    std::vector<BadFile> files = {
        {"Missing", ImageProblem::FileMissing,
         [](const test::TempDir& dir) { return dir.Path() / "missing.mot"; }},
        {"Directory", ImageProblem::Directory,
         [](const test::TempDir& dir) {
             fs::create_directory(dir.Path() / "images");
             return dir.Path() / "images";
         }},
        {"LargerThanTheLimit", ImageProblem::TooLarge,
         [](const test::TempDir& dir) {
             const auto path = dir.Write("big.mot", {});
             fs::resize_file(path, kMaxImageFileSize + 1);
             return path;
         }},
        {"Empty", ImageProblem::EmptyFile,
         [](const test::TempDir& dir) { return dir.Write("empty.mot", {}); }},
        {"NotSRecordText", ImageProblem::NotSRecordText,
         [](const test::TempDir& dir) {
             return dir.Write("notes.txt", {'n', 'o', 't', 'e'});
         }},
        {"PlainSRecordText", ImageProblem::PlainSRecordText,
         [](const test::TempDir& dir) {
             const std::string plain = test::PlainImageText(test::ValidImageLines("V1"));
             return dir.Write("plain.mot", {plain.begin(), plain.end()});
         }},
        {"WrongChecksum", ImageProblem::MalformedSRecord,
         [](const test::TempDir& dir) {
             std::string plain = test::PlainImageText(test::ValidImageLines("V1"));
             plain[plain.find("S2") + 12] ^= 1;
             return dir.Write("checksum.mot", test::Scrambled(plain));
         }},
        {"TooManyDataLines", ImageProblem::TooManyDataLines,
         [](const test::TempDir& dir) {
             const std::vector<test::Line> lines(static_cast<size_t>(kMaxDataLines) + 1,
                                                 {0x20000, {}});
             return dir.Write("lines.mot", Stored(lines));
         }},
        {"PaddingReachesTheAreaTop", ImageProblem::BlocksDoNotFit,
         [](const test::TempDir& dir) {
             return dir.Write("top.mot", Stored({{0xEFFF8, {1, 2, 3, 4, 5, 6}}}));
         }},
        {"OtherModel", ImageProblem::OtherModel,
         [](const test::TempDir& dir) {
             auto lines = test::ValidImageLines("V1");
             lines[1].bytes[3] = 'X';
             return dir.Write("model.mot", Stored(lines));
         }},
        {"TopAreaWithoutVersionBlock", ImageProblem::TopAreaOutOfOrder,
         [](const test::TempDir& dir) {
             return dir.Write("tag.mot", Stored({{0xF0100, {1, 2, 3, 4}}}));
         }},
        {"NothingToWrite", ImageProblem::NothingToWrite,
         [](const test::TempDir& dir) { return dir.Write("nothing.mot", Stored({})); }},
    };
#ifndef _WIN32
    files.push_back({"Fifo", ImageProblem::NotRegularFile, [](const test::TempDir& dir) {
                         // Nobody writes to it: opening it the ordinary way would wait for ever.
                         const auto path = dir.Path() / "image.fifo";
                         mkfifo(path.c_str(), 0600);
                         return path;
                     }});
    files.push_back({"Device", ImageProblem::NotRegularFile,
                     [](const test::TempDir&) { return fs::path("/dev/null"); }});
    files.push_back({"NoPermission", ImageProblem::NoPermission,
                     [](const test::TempDir& dir) {
                         const auto path =
                             dir.Write("locked.mot", Stored(test::ValidImageLines("V1")));
                         fs::permissions(path, fs::perms::none);
                         return path;
                     },
                     true});
#endif
    return files;
}

void PrintTo(const BadFile& bad, std::ostream* out) { *out << bad.name; }

class ImageRefusal : public ::testing::TestWithParam<BadFile> {};

TEST_P(ImageRefusal, InfoPrintsTheMessageAndTheReason) {
    const BadFile& bad = GetParam();
    test::TempDir dir;
    const std::string path = bad.make(dir).string();
    std::string prefix;
#ifndef _WIN32
    // Permissions do not keep root out: run as the unprivileged user "nobody" then.
    if (bad.asOtherUser && geteuid() == 0)
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
#endif
    const test::CliRun run = test::RunCli(dir, "info --file " + test::Quoted(path), prefix);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, ExpectedRefusal(path, bad.problem));
}

INSTANTIATE_TEST_SUITE_P(BadFiles, ImageRefusal, ::testing::ValuesIn(BadFiles()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageRefusal, EveryProblemHasItsOwnReason) {
    std::set<ImageProblem> problems;
    for (const BadFile& bad : BadFiles()) problems.insert(bad.problem);
    std::set<std::string> reasons;
    for (ImageProblem problem : problems) {
        const std::string reason = ImageProblemText(problem);
        EXPECT_FALSE(reason.empty());
        EXPECT_TRUE(reasons.insert(reason).second) << reason << " is given for two problems";
    }
    EXPECT_EQ(ImageProblemText(ImageProblem::PlainSRecordText),
              "this is a plain S-record file; the Updater takes the scrambled form");
}

// The image is checked before the port: a refused image never reaches the line, so the port
// named here (which does not exist) is never mentioned.
TEST(ImageRefusal, WriteRefusesTheImageBeforeOpeningThePort) {
    test::TempDir dir;
    const std::string path = dir.Write("nothing.mot", Stored({})).string();
    const std::string port = (dir.Path() / "no-such-port").string();
    const test::CliRun run = test::RunCli(
        dir, "write --yes --port " + test::Quoted(port) + " --file " + test::Quoted(path));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, ExpectedRefusal(path, ImageProblem::NothingToWrite));
}

}  // namespace
}  // namespace updater
