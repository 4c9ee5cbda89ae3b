#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "GuiTestSupport.h"
#include "front/WindowTexts.h"
#include "res/EmbeddedImage.h"
#include "ui/SpecialSettingsDialog.h"

namespace updater {
namespace {

using test::Child;
using test::DialogUnderTest;
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

// Cancel, Set and the reload it brings run through the shared scenarios
// (test_window_scenarios.cpp); here the user's real files through the real image pipeline.
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
        EXPECT_EQ(recorder.messages.size(), c.expectValid ? 0u : 1u);  // a refusal, once
        EXPECT_EQ(dialog.windowTitle().toStdString(),
                  WindowCaption(dialog.ImageValid(), dialog.Core().Image()));
        if (c.exists) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), c.content);  // the user's file is only read
        }
    }
}

}  // namespace
}  // namespace updater
