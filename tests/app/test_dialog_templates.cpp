// The Qt dialogs are laid out from the templates of the resource script (front/DialogTemplates.h,
// made from win/updater.rc at build time), as the Windows dialogs are: every control of a
// template stands where the template places it and shows its text, so a position or a label
// changed in the script moves or changes the control in both windows.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QList>

#include "GuiTestSupport.h"
#include "front/DialogTemplates.h"
#include "ui/DialogUnits.h"
#include "ui/SpecialSettingsDialog.h"

namespace updater {
namespace {

QString ShownText(const QWidget* control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    return {};
}

void ExpectLaidOutFrom(const QWidget& dialog, const DialogTemplate& dialogTemplate) {
    const DialogUnits units(dialog.font());
    EXPECT_EQ(dialog.size(), units.Size(dialogTemplate));
    for (const ControlTemplate& control : dialogTemplate.controls) {
        const QString id =
            QString::fromLatin1(control.id.data(), static_cast<qsizetype>(control.id.size()));
        SCOPED_TRACE(id.toStdString());
        QList<const QWidget*> found;
        for (const QWidget* child : dialog.findChildren<QWidget*>()) {
            if (child->property("templateId").toString() == id) found.push_back(child);
        }
        ASSERT_EQ(found.size(), 1) << "the template's control is not in the dialog once";
        const QRect place = units.Rect(control.x, control.y, control.width, control.height);
        EXPECT_EQ(found.front()->pos(), place.topLeft());
        if (!control.text.empty()) {
            EXPECT_EQ(ShownText(found.front()), TemplateText(control));
        }
    }
}

TEST(DialogTemplates, MainWindowPlacesEveryControlOfItsTemplate) {
    test::DialogUnderTest under;
    ExpectLaidOutFrom(*under.dialog, kUpdaterTemplate);
}

TEST(DialogTemplates, SpecialSettingsPlacesEveryControlOfItsTemplate) {
    SpecialSettingsDialog dialog(nullptr, UserSettings{});
    dialog.show();
    ExpectLaidOutFrom(dialog, kSpecialSettingsTemplate);
    EXPECT_EQ(dialog.windowTitle().toStdString(), kSpecialSettingsTemplate.caption);
}

}  // namespace
}  // namespace updater
