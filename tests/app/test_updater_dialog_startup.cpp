#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include "GuiTestSupport.h"
#include "front/PortScan.h"
#include "link/PortDescription.h"
#include "protocol/Messages.h"
#include "protocol/UpdateHost.h"

namespace updater {
namespace {

using test::Child;
using test::DialogUnderTest;
using test::EmbeddedImageVersion;
using test::MessageRecorder;

TEST(UpdaterDialogStartUp, ShowsTheImageVersionAndListsTheRadiosPort) {
    MessageRecorder recorder;
    DialogUnderTest under;
    UpdaterDialog& dialog = *under.dialog;

    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_TRUE(dialog.ImageValid());
    EXPECT_EQ(dialog.windowTitle().toStdString(), test::CaptionFor(EmbeddedImageVersion()));

    // The missing device is left out; the radio's port is listed, selected and named.
    const auto* ports = Child<QComboBox>(dialog, "portList");
    ASSERT_EQ(ports->count(), 1);
    // Shown by its name and description, the device path behind it.
    EXPECT_EQ(ports->itemText(0).toStdString(),
              ShortPortName(under.radio.PortPath()) + " \u2014 pseudo-terminal");
    EXPECT_EQ(ports->itemData(0).toString().toStdString(), under.radio.PortPath());
    EXPECT_EQ(ports->currentIndex(), 0);
    EXPECT_TRUE(ports->isEnabled());
    EXPECT_EQ(under.link.PortName(), under.radio.PortPath());
    EXPECT_FALSE(under.link.IsOpen());  // only probed

    EXPECT_TRUE(Child(dialog, "writeButton")->isEnabled());
    EXPECT_TRUE(Child(dialog, "exitButton")->isEnabled());
    EXPECT_FALSE(Child(dialog, "specialSettingsButton")->isVisible());
    EXPECT_FALSE(Child(dialog, "okButton")->isVisible());
    EXPECT_EQ(dialog.Settings().speedChoice, SpeedChoice::Speed38400);
    EXPECT_EQ(dialog.Settings().stopBits, 2);
    EXPECT_EQ(dialog.Settings().unencrypted, 0);
    EXPECT_EQ(dialog.Settings().useOwnFile, 0);
}

TEST(UpdaterDialogStartUp, SpecialSettingsButtonOnlyWithTheFlag) {
    DialogUnderTest under(test::DialogSetup().SpecialSettings());
    EXPECT_TRUE(Child(*under.dialog, "specialSettingsButton")->isVisible());
    EXPECT_TRUE(Child(*under.dialog, "specialSettingsButton")->isEnabled());
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

TEST(UpdaterDialogStartUp, WithoutPortsTheListIsGreyAndWriteSaysThePortCannotBeOpened) {
    MessageRecorder recorder;
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
    dialog.show();

    EXPECT_FALSE(Child<QComboBox>(dialog, "portList")->isEnabled());
    ASSERT_TRUE(Child(dialog, "writeButton")->isEnabled());
    Child(dialog, "writeButton")->click();

    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, kTextPortOpenFailed);
    EXPECT_EQ(recorder.messages[0].caption, kCaptionError);
    EXPECT_EQ(recorder.messages[0].style, MB_OK_STOP);
    EXPECT_TRUE(Child(dialog, "writeButton")->isEnabled());
}

// The ports found by each look, in turn; the last list stays once the turns run out.
PortEnumerator PortsInTurn(std::vector<std::vector<PortInfo>> turns, int* looks) {
    return [turns, looks](SerialPort&) {
        const size_t turn = static_cast<size_t>(std::min<int>(*looks, turns.size() - 1));
        ++*looks;
        return turns[turn];
    };
}

PortInfo Adapter(const std::string& device, const char* product, const char* serial) {
    PortInfo port;
    port.device = device;
    port.description.product = product;
    port.description.serial = serial;
    return port;
}

TEST(UpdaterDialogPorts, OpeningTheListLooksAgainAndKeepsTheSelection) {
    const PortInfo first = Adapter("/dev/ttyUSB0", "FT232R USB UART", "A50285BI");
    const PortInfo second = Adapter("/dev/ttyUSB1", "CP2102 USB to UART Bridge", "0001");
    int looks = 0;
    LinkPort link;
    UpdaterDialogOptions options;
    options.portEnumerator = PortsInTurn({{first}, {second, first}}, &looks);
    UpdaterDialog dialog(nullptr, link, options);
    dialog.OnInitDialog();
    dialog.show();
    auto* ports = Child<QComboBox>(dialog, "portList");
    ASSERT_EQ(ports->count(), 1);
    EXPECT_EQ(ports->itemText(0).toStdString(), "ttyUSB0 \u2014 FT232R USB UART (A50285BI)");

    ports->showPopup();
    EXPECT_EQ(looks, 2);
    ASSERT_EQ(ports->count(), 2);
    EXPECT_EQ(ports->itemText(0).toStdString(), "ttyUSB1 \u2014 CP2102 USB to UART Bridge (0001)");
    EXPECT_EQ(ports->currentIndex(), 1);  // the adapter chosen before, now second
    EXPECT_EQ(link.PortName(), "/dev/ttyUSB0");
    ports->hidePopup();
}

TEST(UpdaterDialogPorts, WriteLooksAgainWhenNoPortWasFound) {
    MessageRecorder recorder;
    sim::RadioSimulator radio(test::QuickRadio());
    ASSERT_TRUE(radio.Start());
    int looks = 0;
    LinkPort link;
    UpdaterDialogOptions options;
    options.imageLoader = test::SmallImageLoader();
    // Nothing at start; the radio's cable is plugged in before Write.
    const std::string port = radio.PortPath();
    options.portEnumerator = [&looks, port](SerialPort& probe) {
        return looks++ == 0 ? std::vector<PortInfo>{}
                            : ScanPorts(probe, {port}, PortCheck::OpensOnly);
    };
    UpdaterDialog dialog(nullptr, link, options);
    dialog.OnInitDialog();
    dialog.show();
    EXPECT_FALSE(Child<QComboBox>(dialog, "portList")->isEnabled());

    Child(dialog, "writeButton")->click();
    EXPECT_EQ(looks, 2);
    ASSERT_FALSE(recorder.messages.empty());
    EXPECT_EQ(recorder.messages.back().text, kTextWritingCompleted);
    EXPECT_TRUE(Child<QComboBox>(dialog, "portList")->isEnabled());
    radio.Stop();
}

TEST(UpdaterDialogExit, ExitEscAndCloseBoxAskFirst) {
    enum class Way { ExitButton, Escape, CloseBox };
    const struct {
        Way way;
        int answer;
        bool keepsRunning;
    } cases[] = {
        {Way::ExitButton, ID_OK, false}, {Way::ExitButton, ID_CANCEL, true},
        {Way::Escape, ID_OK, false},     {Way::Escape, ID_CANCEL, true},
        {Way::CloseBox, ID_OK, false},   {Way::CloseBox, ID_CANCEL, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.way) * 10 + c.answer);
        MessageRecorder recorder;
        recorder.answer = [&c](const test::RecordedMessage&) { return c.answer; };
        LinkPort link;
        UpdaterDialogOptions options;
        options.portEnumerator = [](SerialPort&) { return std::vector<PortInfo>{}; };
        UpdaterDialog dialog(nullptr, link, options);
        dialog.OnInitDialog();
        dialog.show();

        switch (c.way) {
            case Way::ExitButton:
                Child(dialog, "exitButton")->click();
                break;
            case Way::Escape: {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(&dialog, &escape);
                break;
            }
            case Way::CloseBox:
                dialog.close();
                break;
        }
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0].text, kTextExitQuestion);
        EXPECT_EQ(recorder.messages[0].caption, kCaptionConfirmation);
        EXPECT_EQ(recorder.messages[0].style, MB_OKCANCEL_QUESTION);
        EXPECT_EQ(dialog.isVisible(), c.keepsRunning);
        if (!c.keepsRunning) {
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
        }
    }
}

}  // namespace
}  // namespace updater
