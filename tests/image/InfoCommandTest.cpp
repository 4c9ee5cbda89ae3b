// Runs updater-cli info and compares what it prints with the image loaded here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "image/FirmwareImage.h"
#include "tests/image/ImageTestSupport.h"

#ifndef UPDATER_CLI_PATH
#error "UPDATER_CLI_PATH must name the updater-cli program"
#endif

namespace updater {
namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun RunInfo(const test::TempDir& dir, const std::string& arguments) {
    const auto out = dir.Path() / "out.txt";
    const auto err = dir.Path() / "err.txt";
    const std::string command = "\"" + std::string(UPDATER_CLI_PATH) + "\" info " + arguments +
                                " > \"" + out.string() + "\" 2> \"" + err.string() + "\"";
#ifdef _WIN32
    // cmd.exe drops the first and the last quote of a command that starts with one.
    const std::string shellCommand = "\"" + command + "\"";
#else
    const std::string& shellCommand = command;
#endif
    CliRun run;
    run.status = std::system(shellCommand.c_str());
    const auto o = test::ReadAll(out), e = test::ReadAll(err);
    run.out.assign(o.begin(), o.end());
    run.err.assign(e.begin(), e.end());
#ifdef _WIN32
    // The program's text output ends its lines with CR LF there.
    for (std::string* text : {&run.out, &run.err}) std::erase(*text, '\r');
#endif
    return run;
}

std::map<std::string, std::string> Fields(const std::string& out) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(": ");
        if (colon != std::string::npos) fields[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return fields;
}

TEST(InfoCommand, ShowsTheEmbeddedImage) {
    test::TempDir dir;
    const CliRun run = RunInfo(dir, "");
    ASSERT_EQ(run.status, 0) << run.err;
    FirmwareImage image;
    ASSERT_TRUE(LoadAndValidateImage(image, "", 0));
    auto fields = Fields(run.out);
    EXPECT_EQ(fields["version"], "V2.10.07");
    EXPECT_EQ(fields["top-area tag"].size(), 32u);
    EXPECT_EQ(fields["low-area blocks"], std::to_string(image.lowAreaRecords.Size()));
    EXPECT_EQ(fields["main-area blocks"], std::to_string(image.mainAreaRecords.Size()));
    EXPECT_EQ(fields["top-area blocks"], std::to_string(image.topAreaRecords.Size()));
    EXPECT_EQ(fields["transfer-list blocks"], std::to_string(image.topAreaTransferList.Size()));
    EXPECT_GT(image.mainAreaRecords.Size(), 100);
}

TEST(InfoCommand, ListsEveryBlock) {
    test::TempDir dir;
    const std::string plain = test::PlainImageText({{0x80001, {0xAB, 0xCD, 0xEF}}});
    const auto path = dir.Write("own.mot", test::Scrambled(plain));
    const CliRun run = RunInfo(dir, "--blocks --file \"" + path.string() + "\"");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("main-area blocks: 1\n"), std::string::npos);
    EXPECT_NE(run.out.find("\nmain 080000 4 FFABCDEF\n"), std::string::npos) << run.out;
}

TEST(InfoCommand, InvalidImageIsReported) {
    test::TempDir dir;
    const auto path = dir.Write("bad.mot", {'n', 'o', 't'});
    const CliRun run = RunInfo(dir, "--file \"" + path.string() + "\"");
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.err, "The firmware file selected is not valid for this model.\n");
    EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace updater
