#include "ui/PortListBox.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QStyle>
#include <algorithm>

namespace updater {

void PortListBox::showPopup() {
    if (beforeOpening_) beforeOpening_();
    QComboBox::showPopup();
}

void PortListBox::FitOpenListToLabels() {
    QAbstractItemView* list = view();
    const QFontMetrics metrics(list->font());
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
    }
    // The entry's margins and a scroll bar, should the list need one.
    const int frame = 2 * list->frameWidth() +
                      list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                      2 * metrics.averageCharWidth();
    list->setMinimumWidth(std::max(width(), widest + frame));
}

}  // namespace updater
