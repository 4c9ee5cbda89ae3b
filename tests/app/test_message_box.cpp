// The Qt window's message box takes its texts as UTF-8 and shows them whole: a path outside
// Latin-1, and a caption with more than Latin-1 in it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "front/TraceSaving.h"
#include "protocol/UpdateHost.h"
#include "ui/MessageBox.h"

namespace updater {
namespace {

TEST(QtMessageBox, AUtf8PathShowsWhole) {
    const std::string path =
        "/home/tech/Pr\xc3\xbc"
        "fstand/\xd0\xa0\xd0\xb0\xd0\xb4\xd0\xb8\xd0\xbe/trace.txt";
    const std::string text = TraceNotSavedText(path, "access denied");
    const std::string caption =
        "Pr\xc3\xbc"
        "fstand \xe2\x80\x94 Error";
    QString shownText, shownCaption;
    bool seen = false;
    // Runs inside the box's modal loop: reads the box and closes it. Should it not be the
    // active modal window, any box is closed after a while so that the test ends and fails.
    int tries = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = true;
            shownText = box->text();
            shownCaption = box->windowTitle();
            box->accept();
        } else if (++tries > 500) {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(widget)) box->reject();
            }
        }
    });
    timer.start();
    const int answer = StandardMessageBox(nullptr, text, caption, MB_OK_STOP);
    timer.stop();
    ASSERT_TRUE(seen);
    EXPECT_EQ(answer, ID_OK);
    EXPECT_EQ(shownText.toStdString(), text);
    EXPECT_EQ(shownCaption.toStdString(), caption);
    EXPECT_TRUE(shownText.contains(QString::fromUtf8(path)));
}

}  // namespace
}  // namespace updater
