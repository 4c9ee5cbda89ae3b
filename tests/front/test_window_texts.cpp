// The texts and layout both windows share: caption, file filters, banner lines.
#include <gtest/gtest.h>

#include "front/FileFilter.h"
#include "front/StatusBannerText.h"
#include "front/WindowTexts.h"

namespace updater {
namespace {

TEST(WindowCaption, ShowsAtMostEightCharactersOfTheVersionOrInvalidFirm) {
    const struct {
        std::array<uint8_t, 8> version;
        bool valid;
        const char* expected;
    } cases[] = {
        {{'V', '2', '.', '1', 0, 0, 0, 0}, true, "V2.1"},
        {{'V', '2', '.', '0', '0', '.', '0', '1'}, true, "V2.00.01"},
        {{'V', '2', 0, 0, 0, 0, 0, 0}, false, "Invalid Firm"},
    };
    for (const auto& c : cases) {
        FirmwareImage image;
        image.imageVersion = c.version;
        EXPECT_EQ(WindowCaption(c.valid, image),
                  std::string("Updater for VM-5160/VM-6160         Ver. ") + c.expected);
    }
}

TEST(FileFilter, ReadsThePairsUpToTheClosingBars) {
    const auto single = ParseFileFilter(kImageFileFilter);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].description, "MOT File(*.mot)");
    EXPECT_EQ(single[0].patterns, "*.mot");

    const auto two = ParseFileFilter("MOT File(*.mot)|*.mot|All Files|*.*||ignored|*.x");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1].description, "All Files");
    EXPECT_EQ(two[1].patterns, "*.*");
    EXPECT_TRUE(ParseFileFilter("").empty());
}

TEST(StatusBannerText, TitleAndMessageCentredDetailsEndingAt410EmptyLinesSkipped) {
    SetBannerTexts({"Title", "Checking", "three", "", "", "", "seven"});
    const std::vector<BannerLine> lines = BannerLinesToDraw(438);
    SetBannerTexts({});
    ASSERT_EQ(lines.size(), 4u);
    const struct {
        const char* text;
        int x, top, height;
        BannerAlign align;
    } expected[] = {
        {"Title", 219, 107, 20, BannerAlign::Centre},
        {"Checking", 219, 130, 17, BannerAlign::Centre},
        {"three", 410, 195, 15, BannerAlign::Right},
        {"seven", 410, 247, 15, BannerAlign::Right},
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].text, expected[i].text);
        EXPECT_EQ(lines[i].x, expected[i].x);
        EXPECT_EQ(lines[i].top, expected[i].top);
        EXPECT_EQ(lines[i].fontHeight, expected[i].height);
        EXPECT_EQ(lines[i].align, expected[i].align);
    }
}

}  // namespace
}  // namespace updater
