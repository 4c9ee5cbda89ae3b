#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
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
    // A key press and a click on Exit, made on the window's thread; the scan, running on a
    // thread of its own, only posts them while it blocks the window.
    std::vector<std::pair<QObject*, QEvent*>> input;
    UpdaterDialogOptions options;
    options.portEnumerator = [&input](SerialPort&) {
        for (const auto& [receiver, event] : input) QCoreApplication::postEvent(receiver, event);
        return std::vector<PortInfo>{};
    };
    UpdaterDialog dialog(nullptr, link, options);
    dialog.show();
    input.push_back({&dialog, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier)});
    auto* exitButton = Child(dialog, "exitButton");
    const QPointF centre = QRectF(exitButton->rect()).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        input.push_back(
            {exitButton, new QMouseEvent(type, centre, exitButton->mapToGlobal(centre),
                                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier)});
    }
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

// Two adapters with long labels: the closed list keeps its place in the layout and shows the
// port's name, the open list is as wide as the longest label.
TEST(UpdaterDialogStartUp, TheOpenPortListIsAsWideAsItsLongestLabel) {
    MessageRecorder recorder;
    PortDescription adapter;
    adapter.product = "FT232R USB UART with a long product text";
    adapter.serial = "A50285BI";
    const std::vector<PortInfo> ports{PortInfo{"/dev/ttyUSB0", adapter, {}, {}},
                                      PortInfo{"/dev/ttyUSB12", adapter, {}, {}}};
    LinkPort link;
    UpdaterDialogOptions options;
    options.portEnumerator = [ports](SerialPort&) { return ports; };
    options.portLister = [ports] { return ports; };
    UpdaterDialog dialog(nullptr, link, options);
    auto* list = Child<QComboBox>(dialog, "portList");
    const int closedWidth = list->width();
    dialog.OnInitDialog();
    dialog.show();

    EXPECT_EQ(list->width(), closedWidth);
    const QFontMetrics listFont(list->font());
    EXPECT_LT(listFont.horizontalAdvance(QStringLiteral("ttyUSB12")), closedWidth);
    list->showPopup();
    const QFontMetrics entryFont(list->view()->font());
    const int longest = entryFont.horizontalAdvance(QString::fromStdString(ports[1].Label()));
    EXPECT_GE(list->view()->width(), longest);
    list->hidePopup();
}

}  // namespace
}  // namespace updater
