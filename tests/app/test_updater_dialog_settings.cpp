#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "GuiTestSupport.h"
#include "protocol/Messages.h"
#include "protocol/UpdateHost.h"
#include "res/EmbeddedImage.h"
#include "ui/SpecialSettingsDialog.h"

namespace updater {
namespace {

using test::Child;
using test::DialogUnderTest;
using test::EmbeddedImageVersion;
using test::MessageRecorder;

// Runs Special Settings from the main window, with `inDialog` acting on it while it is open.
void RunSpecialSettings(UpdaterDialog& dialog,
                        std::function<void(SpecialSettingsDialog&)> inDialog) {
    bool acted = false;
    test::WhenModalOpens<SpecialSettingsDialog>(dialog, [&](SpecialSettingsDialog& settings) {
        acted = true;
        inDialog(settings);
    });
    Child(dialog, "specialSettingsButton")->click();
    EXPECT_TRUE(acted);
}

TEST(UpdaterDialogSettings, CancelChangesNothing) {
    MessageRecorder recorder;
    DialogUnderTest under(test::DialogSetup().SpecialSettings().Chooser(
        [](QWidget*, const QString&) { return QStringLiteral("/home/tech/chosen.mot"); }));
    UpdaterDialog& dialog = *under.dialog;
    const QString caption = dialog.windowTitle();

    RunSpecialSettings(dialog, [](SpecialSettingsDialog& settings) {
        for (const char* control : {"speed57600", "stopBit1", "unencrypted", "useOwnFile",
                                    "referButton", "cancelButton"}) {
            Child(settings, control)->click();
        }
    });

    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(dialog.Settings().speedChoice, SpeedChoice::Speed38400);
    EXPECT_EQ(dialog.Settings().stopBits, 2);
    EXPECT_EQ(dialog.Settings().unencrypted, 0);
    EXPECT_EQ(dialog.Settings().useOwnFile, 0);
    EXPECT_TRUE(dialog.Settings().ownFilePath.empty());
    EXPECT_EQ(dialog.windowTitle(), caption);
    EXPECT_TRUE(Child(dialog, "writeButton")->isEnabled());
}

TEST(UpdaterDialogSettings, SetTakesTheValuesAndReloadsTheImage) {
    MessageRecorder recorder;
    DialogUnderTest under(test::DialogSetup().SpecialSettings());
    UpdaterDialog& dialog = *under.dialog;
    dialog.setWindowTitle(QStringLiteral("stale"));

    RunSpecialSettings(dialog, [](SpecialSettingsDialog& settings) {
        for (const char* control : {"speed57600", "stopBit1", "unencrypted", "setButton"}) {
            Child(settings, control)->click();
        }
    });

    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(dialog.Settings().speedChoice, SpeedChoice::Speed57600);
    EXPECT_EQ(dialog.Settings().stopBits, 1);
    EXPECT_EQ(dialog.Settings().unencrypted, 1);
    EXPECT_EQ(dialog.windowTitle().toStdString(), test::CaptionFor(EmbeddedImageVersion()));
    EXPECT_TRUE(Child(dialog, "writeButton")->isEnabled());
    EXPECT_TRUE(Child(dialog, "exitButton")->isEnabled());
}

TEST(UpdaterDialogSettings, UserImageFileIsValidatedAndOnlyRead) {
    const auto embedded = EmbeddedImageBytes();
    const QByteArray valid(reinterpret_cast<const char*>(embedded.data()),
                           static_cast<qsizetype>(embedded.size()));
    const struct {
        const char* name;
        QByteArray content;
        bool exists;
        bool expectValid;
    } cases[] = {
        {"valid.mot", valid, true, true},
        {"garbage.mot", QByteArray("S0 this is not an image\r\nhello\r\n"), true, false},
        {"empty.mot", QByteArray(), true, false},
        {"missing.mot", QByteArray(), false, false},
    };
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = directory.filePath(QString::fromLatin1(c.name));
        if (c.exists) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.content);
        }
        MessageRecorder recorder;
        DialogUnderTest under(test::DialogSetup().SpecialSettings().Chooser(
            [path](QWidget*, const QString&) { return path; }));
        UpdaterDialog& dialog = *under.dialog;

        RunSpecialSettings(dialog, [](SpecialSettingsDialog& settings) {
            for (const char* control : {"useOwnFile", "referButton", "setButton"}) {
                Child(settings, control)->click();
            }
        });

        EXPECT_EQ(dialog.Settings().ownFilePath, QFile::encodeName(path).toStdString());
        EXPECT_EQ(dialog.ImageValid(), c.expectValid);
        EXPECT_EQ(Child(dialog, "writeButton")->isEnabled(), c.expectValid);
        EXPECT_TRUE(Child(dialog, "exitButton")->isEnabled());
        if (c.expectValid) {
            EXPECT_TRUE(recorder.messages.empty());
            EXPECT_EQ(dialog.windowTitle().toStdString(), test::CaptionFor(EmbeddedImageVersion()));
        } else {
            ASSERT_EQ(recorder.messages.size(), 1u);
            EXPECT_EQ(recorder.messages[0].text, kTextInvalidImage);
            EXPECT_EQ(recorder.messages[0].caption, kCaptionError);
            EXPECT_EQ(recorder.messages[0].style, MB_OK_ONLY);
            EXPECT_EQ(dialog.windowTitle().toStdString(), test::CaptionFor("Invalid Firm"));
        }
        if (c.exists) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), c.content);  // the user's file is only read
        }
    }
}

TEST(UpdaterDialogSettings, BackToTheBuiltInImageAfterAnInvalidFile) {
    MessageRecorder recorder;
    DialogUnderTest under(test::DialogSetup().SpecialSettings().Chooser(
        [](QWidget*, const QString&) { return QStringLiteral("/no/such/dir/image.mot"); }));
    UpdaterDialog& dialog = *under.dialog;
    RunSpecialSettings(dialog, [](SpecialSettingsDialog& settings) {
        for (const char* control : {"useOwnFile", "referButton", "setButton"}) {
            Child(settings, control)->click();
        }
    });
    ASSERT_FALSE(dialog.ImageValid());

    // The box opens ticked with an empty path; unticking keeps the path but uses the
    // built-in image.
    RunSpecialSettings(dialog, [](SpecialSettingsDialog& settings) {
        EXPECT_TRUE(Child(settings, "useOwnFile")->isChecked());
        Child(settings, "useOwnFile")->click();
        Child(settings, "setButton")->click();
    });
    EXPECT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(dialog.Settings().useOwnFile, 0);
    EXPECT_EQ(dialog.Settings().ownFilePath, "/no/such/dir/image.mot");
    EXPECT_TRUE(dialog.ImageValid());
    EXPECT_TRUE(Child(dialog, "writeButton")->isEnabled());
    EXPECT_EQ(dialog.windowTitle().toStdString(), test::CaptionFor(EmbeddedImageVersion()));
}

}  // namespace
}  // namespace updater
