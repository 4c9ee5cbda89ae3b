// An image whose lines reach past their area's top and whose top area holds blocks that the
// transfer order leaves out: the Updater writes it as it is, and the radio's memory and its area
// checksum agree with what was sent.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "link/LinkPort.h"
#include "protocol/Update.h"
#include "sim/RadioSimulator.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/protocol/UpdateTestSupport.h"

namespace updater {
namespace {

// The small valid image, plus a line at the low area's top and one at the main area's top that
// each go whole into their area, and two top-area lines above 0xFFF00 after the one there.
std::vector<test::Line> LinesPastTheirPlaces() {
    std::vector<test::Line> lines = test::ValidImageLines("V7.00.01");
    lines.insert(lines.begin() + 1, {0x13FF0, test::PatternBytes(10, 32)});
    lines.insert(lines.begin() + 3, {0xEFFF0, test::PatternBytes(11, 32)});
    lines.push_back({0xFFF80, test::PatternBytes(12, 16)});
    lines.push_back({0xFFFC0, test::PatternBytes(13, 16)});
    return lines;
}

TEST(Update, WritesDataPastAnAreasTopAndLeavesOutTheBlocksTheOrderSkips) {
    test::TempDir dir;
    const auto path =
        dir.Write("past-top.mot", test::Scrambled(test::PlainImageText(LinesPastTheirPlaces())));
    FirmwareImage image;
    ASSERT_TRUE(LoadAndValidateImage(image, StoredImage::ReadFile(path.string()),
                                     ImageLoadForm::SpecialSettings));
    // The fixture shows what it is meant to: blocks past the low and main areas' tops, and top
    // blocks that are not in the transfer list.
    ASSERT_EQ(image.lowAreaRecords[image.lowAreaRecords.Size() - 1].End(), 0x14010u);
    ASSERT_EQ(image.mainAreaRecords[image.mainAreaRecords.Size() - 1].End(), 0xF0010u);
    ASSERT_EQ(image.topAreaRecords.Size(), 4);
    ASSERT_EQ(image.topAreaTransferList.Size(), 3);

    sim::RadioSimulator radio(sim::SimOptions{});
    ASSERT_TRUE(radio.Start());
    LinkPort link;
    ASSERT_EQ(link.SetPortName(radio.PortPath()), 1);
    testing::RecordingHost host;
    const UpdateOutcome outcome = RunUpdate(link, host, image, UpdateSettings{});

    const sim::SimReport report = radio.Report();
    std::string problems;
    for (const std::string& problem : report.problems) problems += problem + "\n";
    EXPECT_EQ(outcome.result, 1) << problems;
    EXPECT_TRUE(report.ChecksHeld()) << problems;
    EXPECT_TRUE(report.areaChecksumChecked);
    EXPECT_TRUE(report.areaChecksumOk);
    // The main area's tail at 0xF0000 is overwritten by the top area's first block, as the
    // radio stores them; the blocks left out are nowhere in its memory.
    EXPECT_EQ(testing::MemoryMismatch(radio, {&image.lowAreaRecords, &image.mainAreaRecords,
                                              &image.topAreaTransferList}),
              "");
    const std::vector<bool> written = radio.Written();
    EXPECT_TRUE(written[0x1400F]) << "the low-area line went whole to the radio";
    EXPECT_FALSE(written[0xFFF80]);
    EXPECT_FALSE(written[0xFFFC0]);
}

}  // namespace
}  // namespace updater
