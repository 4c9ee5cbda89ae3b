// The firmware image the program carries, written whole to the simulated radio.
#include <gtest/gtest.h>

#include <string>

#include "image/FirmwareImage.h"
#include "link/LinkPort.h"
#include "protocol/Messages.h"
#include "protocol/Update.h"
#include "res/EmbeddedImage.h"
#include "sim/RadioSimulator.h"
#include "tests/protocol/UpdateTestSupport.h"

namespace updater {
namespace {

TEST(EmbeddedImage, FullSequenceLeavesTheImageInTheRadio) {
    FirmwareImage image;
    ASSERT_TRUE(LoadAndValidateImage(image, EmbeddedImage()));
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
