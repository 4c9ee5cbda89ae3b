#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include "GuiTestSupport.h"
#include "front/PortScan.h"
#include "link/PortDescription.h"

namespace updater {
namespace {

using test::Child;
using test::DialogUnderTest;
using test::MessageRecorder;

// What the window decides at start, for Exit, the port list and Write runs through the shared
// scenarios (test_window_scenarios.cpp); here the real image, the real port scan and input.
TEST(UpdaterDialogStartUp, ShowsTheImageVersionAndListsTheRadiosPort) {
    MessageRecorder recorder;
    DialogUnderTest under;
    UpdaterDialog& dialog = *under.dialog;

    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_TRUE(dialog.ImageValid());
    EXPECT_EQ(dialog.windowTitle().toStdString(), test::EmbeddedImageCaption());

    // The missing device is left out; the radio's port is listed, selected and named.
    const auto* ports = Child<QComboBox>(dialog, "portList");
    ASSERT_EQ(ports->count(), 1);
    // Shown by its name and description, the device path behind it.
    EXPECT_EQ(ports->itemText(0).toStdString(),
              ShortPortName(under.radio.PortPath()) + " \u2014 pseudo-terminal");
    EXPECT_EQ(ports->itemData(0).toString().toStdString(), under.radio.PortPath());
    EXPECT_EQ(ports->currentIndex(), 0);
    EXPECT_EQ(under.link.PortName(), under.radio.PortPath());
    EXPECT_FALSE(under.link.IsOpen());  // only probed

    EXPECT_FALSE(Child(dialog, "okButton")->isVisible());
}

TEST(UpdaterDialogStartUp, InputMadeDuringThePortScanIsDropped) {
    MessageRecorder recorder;
    LinkPort link;
    UpdaterDialog* target = nullptr;
    UpdaterDialogOptions options;
    options.portEnumerator = [&target](SerialPort&) {
        // A key press and a click on Exit while the scan blocks the window.
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        auto* exitButton = Child(*target, "exitButton");
        const QPointF centre = QRectF(exitButton->rect()).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QCoreApplication::postEvent(
                exitButton, new QMouseEvent(type, centre, exitButton->mapToGlobal(centre),
                                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        }
        return std::vector<PortInfo>{};
    };
    UpdaterDialog dialog(nullptr, link, options);
    target = &dialog;
    dialog.show();
    dialog.OnInitDialog();
    QCoreApplication::processEvents();

    EXPECT_TRUE(recorder.messages.empty());  // no exit question
    EXPECT_TRUE(dialog.isVisible());
}

TEST(UpdaterDialogStartUp, TheScanLeavesOutMissingDevicesAndTerminals) {
    // A device that is missing, and one that opens but is no RS-232 port (a terminal).
    sim::RadioSimulator radio(test::QuickRadio());
    ASSERT_TRUE(radio.Start());
    const std::string terminal = radio.PortPath();
    LinkPort link;
    UpdaterDialogOptions options;
    options.portEnumerator = [terminal](SerialPort& probe) {
        return ScanPorts(probe, {"/dev/no-such-serial-device", terminal});
    };
    UpdaterDialog dialog(nullptr, link, options);
    dialog.OnInitDialog();

    EXPECT_TRUE(dialog.Core().Ports().empty());
    EXPECT_EQ(Child<QComboBox>(dialog, "portList")->count(), 0);
}

}  // namespace
}  // namespace updater
