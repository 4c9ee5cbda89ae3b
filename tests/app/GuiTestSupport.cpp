#include "GuiTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "front/PortScan.h"
#include "tests/support/RadioMemoryCheck.h"
#include "tests/support/SmallImage.h"

namespace updater::test {

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

ImageLoaderFunction SmallImageLoader() { return testing::LoadSmallImage; }

std::string MemoryMismatch(const sim::RadioSimulator& radio, const FirmwareImage& image) {
    return updater::testing::MemoryMismatch(
        radio, {&image.lowAreaRecords, &image.mainAreaRecords, &image.topAreaRecords});
}

}  // namespace updater::test
