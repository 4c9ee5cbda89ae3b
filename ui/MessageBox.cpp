#include "ui/MessageBox.h"

#include <QMessageBox>
#include <QString>

#include "front/MessageHook.h"
#include "protocol/UpdateHost.h"

namespace updater {

namespace {

QMessageBox::Icon IconForStyle(unsigned style) {
    switch (style & 0xF0u) {
        case 0x10:
            return QMessageBox::Critical;
        case 0x20:
            return QMessageBox::Question;
        case 0x30:
            return QMessageBox::Warning;
        case 0x40:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

bool HasCancelButton(unsigned style) { return (style & 0x0Fu) == 0x01u; }

}  // namespace

int ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                   unsigned style) {
    if (const auto answer = HookedAnswer(text, caption, style)) return *answer;
    return StandardMessageBox(owner, text, caption, style);
}

int StandardMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                       unsigned style) {
    // The texts are UTF-8 (paths, the radio's answers made text where they were read). Plain
    // text, so nothing in them is taken as markup.
    QMessageBox box(IconForStyle(style), QString::fromUtf8(caption), QString::fromUtf8(text),
                    QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    if (HasCancelButton(style)) {
        box.addButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Cancel ? ID_CANCEL : ID_OK;
}

}  // namespace updater
