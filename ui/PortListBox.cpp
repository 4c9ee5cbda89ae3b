#include "ui/PortListBox.h"

namespace updater {

void PortListBox::showPopup() {
    if (beforeOpening_) beforeOpening_();
    QComboBox::showPopup();
}

}  // namespace updater
