// Runs updater-cli info and compares what it prints with the image loaded here.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>

#include "image/FirmwareImage.h"
#include "tests/cli/CliRun.h"

namespace updater {
namespace {

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
    const test::CliRun run = test::RunCli(dir, "info");
    ASSERT_EQ(run.status, 0) << run.err;
    FirmwareImage image;
    ASSERT_TRUE(LoadAndValidateImage(image, std::nullopt));
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
    const test::CliRun run =
        test::RunCli(dir, "info --blocks --file " + test::Quoted(path.string()));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("main-area blocks: 1\n"), std::string::npos);
    EXPECT_NE(run.out.find("\nmain 080000 4 FFABCDEF\n"), std::string::npos) << run.out;
}

TEST(InfoCommand, JsonCarriesWhatTheTextSays) {
    test::TempDir dir;
    const test::CliRun text = test::RunCli(dir, "info");
    const test::CliRun json = test::RunCli(dir, "info --json --blocks");
    ASSERT_EQ(text.status, 0) << text.err;
    ASSERT_EQ(json.status, 0) << json.err;
    auto fields = Fields(text.out);
    const nlohmann::json report = nlohmann::json::parse(json.out);
    EXPECT_EQ(report["version"], fields["version"]);
    EXPECT_EQ(report["top_area_tag"], fields["top-area tag"]);
    for (const auto& [area, label] :
         {std::pair{"low", "low-area blocks"}, std::pair{"main", "main-area blocks"},
          std::pair{"top", "top-area blocks"}, std::pair{"transfer", "transfer-list blocks"}}) {
        const int count = report["blocks"][area];
        EXPECT_EQ(std::to_string(count), fields[label]) << area;
        EXPECT_EQ(static_cast<int>(report[std::string(area) + "_blocks"].size()), count) << area;
    }
}

}  // namespace
}  // namespace updater
