#include "GuiTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/PortScan.h"
#include "protocol/Messages.h"
#include "protocol/UpdateHost.h"
#include "tests/support/RadioMemoryCheck.h"
#include "tests/support/TestRecords.h"
#include "ui/MessageBox.h"

namespace updater::test {

MessageRecorder::MessageRecorder() {
    SetMessageBoxFunction(
        [this](QWidget*, const std::string& text, const std::string& caption, unsigned style) {
            messages.push_back({text, caption, style});
            return answer ? answer(messages.back()) : ID_OK;
        });
}

MessageRecorder::~MessageRecorder() { SetMessageBoxFunction({}); }

sim::SimOptions QuickRadio() {
    sim::SimOptions options;
    options.modelWireTime = false;
    return options;
}

DialogUnderTest::DialogUnderTest(DialogSetup setup) : radio(std::move(setup.radio)) {
    if (!radio.Start()) ADD_FAILURE() << "the simulated radio could not open a terminal";
    UpdaterDialogOptions options;
    options.specialSettingsFlag = setup.specialSettingsFlag;
    options.fileChooser = std::move(setup.fileChooser);
    options.imageLoader = std::move(setup.imageLoader);
    const std::string port = radio.PortPath();
    options.portEnumerator = [port](SerialPort& probe) {
        return ScanPorts(probe, {"/dev/no-such-serial-device", port}, PortCheck::OpensOnly);
    };
    dialog = std::make_unique<UpdaterDialog>(nullptr, link, options);
    dialog->OnInitDialog();
    dialog->show();
}

DialogUnderTest::~DialogUnderTest() {
    dialog.reset();
    static_cast<void>(link.SetOpen(0));
    radio.Stop();
}

namespace {

// count bytes from address, a pattern that differs per block.
ImageRecord Block(uint32_t address, int count, uint8_t seed) {
    return MakeTestRecord(address, count, seed, 5);
}

}  // namespace

FirmwareImage SmallImage() {
    FirmwareImage image;
    for (int i = 0; i < 3; ++i)
        image.lowAreaRecords.Append(Block(0x10000 + 128 * i, 128, 0x10 + i));
    for (int i = 0; i < 4; ++i)
        image.mainAreaRecords.Append(Block(0xC0000 + 128 * i, 128, 0x20 + i));
    image.mainAreaRecords.Append(Block(0xD0000, 17, 0x33));
    for (int i = 0; i < 2; ++i)
        image.topAreaRecords.Append(Block(0xF0000 + 128 * i, 128, 0x40 + i));
    image.topAreaRecords.Append(Block(0xFFF00, 64, 0x55));
    // The top area is written last block first.
    image.topAreaTransferList.Append(image.topAreaRecords[2]);
    image.topAreaTransferList.Append(image.topAreaRecords[0]);
    image.topAreaTransferList.Append(image.topAreaRecords[1]);
    image.imageVersion = {'V', '9', '.', '0', '1', 0, 0, 0};
    image.imageTopAreaTag = {'G', 'U', 'I', '-', 0x80, 0x9F, 0xFE, 0x01,
                             '2', '0', '2', '4', 0xC3, 0x00, 0x7F, 0xAA};
    return image;
}

ImageLoaderFunction SmallImageLoader() {
    return [](FirmwareImage& image, const std::string&, int, ImageLoadForm) {
        image = SmallImage();
        return true;
    };
}

std::string MemoryMismatch(const sim::RadioSimulator& radio, const FirmwareImage& image) {
    return updater::testing::MemoryMismatch(
        radio, {&image.lowAreaRecords, &image.mainAreaRecords, &image.topAreaRecords});
}

std::string EmbeddedImageVersion() {
    FirmwareImage image;
    EXPECT_TRUE(LoadAndValidateImage(image, "", 0));
    return image.VersionText();
}

std::string CaptionFor(const std::string& version) {
    return std::string(kCaptionUpdater) + "         Ver. " + version;
}

}  // namespace updater::test
