// A whole update in process: the image's transfer lists made by the loader's own rules, written
// to the simulated radio over a pseudo-terminal, with the progress the window would show.
#include <gtest/gtest.h>

#include <string>

#include "image/ImageLoader.h"
#include "link/LinkPort.h"
#include "protocol/Messages.h"
#include "protocol/Update.h"
#include "sim/RadioSimulator.h"
#include "tests/protocol/UpdateTestSupport.h"
#include "tests/support/TestRecords.h"

namespace updater {
namespace {

// The small image with two blocks past the start of the top area's first-written part, as the
// embedded image has: the transfer order sends the first of them first and leaves the second
// out, while the progress range still counts every top-area block.
FirmwareImage ImageWithALeftOutTopBlock() {
    FirmwareImage image = testing::SmallImage();
    RecordList top;
    top.Append(image.topAreaRecords[0]);
    top.Append(image.topAreaRecords[1]);
    top.Append(MakeTestRecord(0xFFF40, 64, 0x55, 3));
    top.Append(MakeTestRecord(0xFFF80, 32, 0x66, 3));
    image.topAreaRecords = top;
    image.topAreaTransferList = RecordList();
    EXPECT_TRUE(
        ImageLoader::BuildTopAreaTransferList(image.topAreaRecords, image.topAreaTransferList));
    EXPECT_EQ(image.topAreaTransferList.Size(), 3);
    EXPECT_EQ(image.topAreaTransferList.AddressOf(0), 0xFFF40u);
    return image;
}

TEST(InProcessUpdate, FullSequenceLeavesTheTransferListsInTheRadio) {
    const FirmwareImage image = ImageWithALeftOutTopBlock();
    sim::RadioSimulator radio({});
    ASSERT_TRUE(radio.Start());
    LinkPort link;
    ASSERT_EQ(link.SetPortName(radio.PortPath()), 1);
    testing::RecordingHost host;

    const UpdateOutcome outcome = RunUpdate(link, host, image, {});

    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(link.IsOpen(), 0);
    const sim::SimReport report = radio.Report();
    std::string problems;
    for (const std::string& problem : report.problems) problems += problem + "\n";
    EXPECT_TRUE(report.ChecksHeld()) << problems;
    EXPECT_TRUE(report.areaChecksumChecked);
    EXPECT_TRUE(report.areaChecksumOk);
    EXPECT_TRUE(report.endReceived);
    EXPECT_EQ(testing::MemoryMismatch(radio, {&image.lowAreaRecords, &image.mainAreaRecords,
                                              &image.topAreaTransferList}),
              "");
    const int lowAndMain = image.lowAreaRecords.Size() + image.mainAreaRecords.Size();
    EXPECT_EQ(host.Ranges(), std::vector<int>{lowAndMain + image.topAreaRecords.Size()});
    EXPECT_EQ(host.Positions().back(), lowAndMain + image.topAreaTransferList.Size());
    ASSERT_FALSE(host.Messages().empty());
    EXPECT_EQ(host.Messages().back().text, kTextWritingCompleted);
}

}  // namespace
}  // namespace updater
