#include "GuiTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "front/PortScan.h"
#include "tests/support/RadioMemoryCheck.h"
#include "tests/support/SmallImage.h"
#include "tests/support/TraceLines.h"

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
    options.saveFileChooser = [this](QWidget*, const QString&, const QString&) {
        ++saveDialogs;
        return traceSavePath;
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

QAction* SaveTraceAction(const UpdaterDialog& dialog) {
    return dialog.findChild<QAction*>(QStringLiteral("saveTraceAction"));
}

std::string SaveTrace(DialogUnderTest& under) {
    namespace fs = std::filesystem;
    const fs::path path =
        fs::temp_directory_path() /
        ("gui-trace-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
         std::to_string(reinterpret_cast<uintptr_t>(&under)) + ".txt");
    QAction* action = SaveTraceAction(*under.dialog);
    if (action == nullptr) {
        ADD_FAILURE() << "the dialog has no \"Save trace of the last update…\"";
        return {};
    }
    EXPECT_TRUE(action->isEnabled());
    under.traceSavePath = QString::fromStdString(path.string());
    action->trigger();
    under.traceSavePath.clear();
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.is_open()) << "no trace saved at " << path;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    fs::remove(path);
    return text;
}

void ExpectTraceOfFailure(const std::string& trace, const sim::RadioSimulator& radio,
                          const std::string& failingStep, const std::string& code) {
    const std::vector<uint8_t> written = testing::TraceWrittenBytes(trace);
    ASSERT_FALSE(written.empty());
    // The radio may take the last bytes off the line a moment after the update has ended:
    // wait for them (bounded), then compare every byte.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (radio.Received().size() < written.size() &&
           std::chrono::steady_clock::now() < deadline) {
        radio.WaitForReport([](const sim::SimReport&) { return false; },
                            std::chrono::milliseconds(20));
    }
    EXPECT_EQ(written, radio.Received());
    EXPECT_EQ(testing::TraceEndMismatch(trace, failingStep, code), "");
}

}  // namespace updater::test
