#include "ui/GroupFrame.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QString>

#include "ui/DialogUnits.h"

namespace updater {

void PlaceTitleOnFrame(QGroupBox* group, const DialogUnits& units) {
    const int lineHeight = QFontMetrics(group->font()).height();
    // The frame begins half a text line down; the title starts a little in from its left end.
    group->setStyleSheet(QStringLiteral("QGroupBox { margin-top: %1px; border: 1px solid "
                                        "palette(mid); border-radius: 2px; }"
                                        "QGroupBox::title { subcontrol-origin: margin; "
                                        "subcontrol-position: top left; left: %2px; "
                                        "padding: 0px %3px; }")
                             .arg(lineHeight / 2)
                             .arg(units.X(4))
                             .arg(units.X(1)));
}

}  // namespace updater
