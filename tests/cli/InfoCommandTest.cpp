// Runs updater-cli info and compares what it prints with the image loaded here.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/ImageLoading.h"
#include "image/FirmwareImage.h"
#include "image/ImageAreas.h"
#include "res/EmbeddedImage.h"
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
    ASSERT_TRUE(LoadAndValidateImage(image, EmbeddedImage()));
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

// Data past an area's top and top-area blocks the transfer order leaves out: the image stays
// valid, info says so on stderr and under "warnings".
TEST(InfoCommand, WarnsOfDataThatIsNotWrittenWhereTheImagePlacesIt) {
    std::vector<test::Line> lines = test::ValidImageLines("V7.00.01");
    lines.insert(lines.begin() + 1, {0x13FF0, test::PatternBytes(10, 32)});
    lines.insert(lines.begin() + 3, {0xEFFF0, test::PatternBytes(11, 32)});
    lines.push_back({0xFFF80, test::PatternBytes(12, 16)});
    lines.push_back({0xFFFC0, test::PatternBytes(13, 16)});
    test::TempDir dir;
    const auto path = dir.Write("past-top.mot", test::Scrambled(test::PlainImageText(lines)));
    const std::string file = " --file " + test::Quoted(path.string());

    const test::CliRun text = test::RunCli(dir, "info" + file);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(Fields(text.out)["version"], "V7.00.01");
    const std::string notWritten =
        " will not be written: it is not in the transfer list, which takes the area's blocks "
        "up to 0x0FFF00 and only the first one from there up\n";
    EXPECT_EQ(text.err,
              "warning: low-area block at 0x013FF0 (32 bytes) reaches past the area's top "
              "0x013FFF: 16 of its bytes lie at 0x014000-0x01400F\n"
              "warning: main-area block at 0x0EFFF0 (32 bytes) reaches past the area's top "
              "0x0EFFFF: 16 of its bytes lie at 0x0F0000-0x0F000F\n"
              "warning: top-area block at 0x0FFF80 (64 bytes)" +
                  notWritten + "warning: top-area block at 0x0FFFC0 (16 bytes)" + notWritten);

    const test::CliRun json = test::RunCli(dir, "info --json" + file);
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.err, text.err);
    const nlohmann::json warnings = nlohmann::json::parse(json.out)["warnings"];
    ASSERT_EQ(warnings.size(), 4u) << json.out;
    const std::pair<std::string, std::string> expected[] = {{"past_area_top", "013FF0"},
                                                            {"past_area_top", "0EFFF0"},
                                                            {"not_transferred", "0FFF80"},
                                                            {"not_transferred", "0FFFC0"}};
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        EXPECT_EQ(warnings[i]["kind"], expected[i].first) << i;
        EXPECT_EQ(warnings[i]["address"], expected[i].second) << i;
    }
    EXPECT_EQ(warnings[1]["area"], "main");
    EXPECT_EQ(warnings[1]["count"], 32);
    EXPECT_EQ(warnings[1]["area_top"], "0EFFFF");
}

// Every image that would surprise: info and write tell the same warning (write before its
// question), and a file that changes while it is read is refused.
TEST(InfoCommand, ImagesThatWouldSurpriseAreToldOfByInfoAndWrite) {
    using Lines = std::vector<test::Line>;
    struct Case {
        const char* what;
        std::function<void(Lines&)> change;
        const char* kind;  // the warning; none: the file changes while it is read
        const char* text;  // part of the warning's or the refusal's text
    };
    const std::vector<Case> cases = {
        {"lines outside the areas",
         [](Lines& l) {
             l.push_back({0x000100, test::PatternBytes(20, 16)});
             l.push_back({0x020000, test::PatternBytes(21, 16)});
         },
         "outside_areas",
         "2 data lines outside the low, main and top areas (the first at 0x000100)"},
        {"no identity block",
         [](Lines& l) {
             std::erase_if(l, [](const test::Line& line) {
                 return line.address >= kMainArea.first && line.address <= kMainArea.last;
             });
         },
         "no_identity", "no identity block"},
        {"past the area's top",
         [](Lines& l) {
             l.insert(l.begin() + 1, {0x13FF0, test::PatternBytes(10, 32)});
         },
         "past_area_top", "reaches past the area's top 0x013FFF"},
        {"not transferred",
         [](Lines& l) {
             l.push_back({0xFFF80, test::PatternBytes(12, 16)});
         },
         "not_transferred", "will not be written: it is not in the transfer list"},
        {"changing while read", [](Lines&) {}, nullptr, "the file changed while it was read"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        Lines lines = test::ValidImageLines("V7.00.01");
        c.change(lines);
        const auto path = dir.Write("image.mot", test::Scrambled(test::PlainImageText(lines)));
        if (c.kind == nullptr) {
            FirmwareImage image;
            std::string problem;
            const bool loaded = cli::LoadImageOrExplain(path.string(), image, &problem, [&] {
                std::ofstream(path, std::ios::app) << "\r\n";
            });
            EXPECT_FALSE(loaded) << c.what;
            EXPECT_NE(problem.find(c.text), std::string::npos) << c.what << ": " << problem;
            // Left as it is, the same file loads.
            FirmwareImage again;
            EXPECT_TRUE(cli::LoadImageOrExplain(path.string(), again)) << c.what;
            continue;
        }
        const std::string file = " --file " + test::Quoted(path.string());
        const test::CliRun json = test::RunCli(dir, "info --json" + file);
        ASSERT_EQ(json.status, 0) << c.what << "\n" << json.err;
        const nlohmann::json warnings = nlohmann::json::parse(json.out)["warnings"];
        ASSERT_EQ(warnings.size(), 1u) << c.what << "\n" << json.out;
        EXPECT_EQ(warnings[0]["kind"], c.kind) << c.what;
        const std::string text = warnings[0]["text"];
        EXPECT_NE(text.find(c.text), std::string::npos) << c.what << ": " << text;
        EXPECT_EQ(json.err, "warning: " + text + "\n") << c.what;
        // No port opens: the warning comes all the same, before anything is asked.
        const test::CliRun write = test::RunCli(dir, "write --yes --port /dev/no-such-port" + file);
        EXPECT_NE(write.status, 0) << c.what;
        EXPECT_EQ(write.err.rfind("warning: " + text + "\n", 0), 0u) << c.what << "\n" << write.err;
    }
}

TEST(InfoCommand, NoWarningsForAnImageThatIsWrittenAsItStands) {
    test::TempDir dir;
    const auto path = dir.Write(
        "plain.mot", test::Scrambled(test::PlainImageText(test::ValidImageLines("V7.00.01"))));
    const test::CliRun json =
        test::RunCli(dir, "info --json --file " + test::Quoted(path.string()));
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.err, "");
    EXPECT_EQ(nlohmann::json::parse(json.out)["warnings"], nlohmann::json::array());
}

}  // namespace
}  // namespace updater
