#pragma once
// The main window's port list: a drop-down list that lets its owner look for ports again
// right before it opens, so that an adapter plugged in after start-up shows up. Closed it keeps
// the dialog's layout and shows the start of the label, the port's name; open it is as wide
// as its longest label.

#include <QComboBox>
#include <functional>

namespace updater {

class PortListBox : public QComboBox {
    Q_OBJECT
  public:
    using QComboBox::QComboBox;

    // Runs each time the list is about to open, before it shows its entries.
    void SetBeforeOpening(std::function<void()> beforeOpening) {
        beforeOpening_ = std::move(beforeOpening);
    }

    void showPopup() override;
    // Widens the open list to the longest label; the closed list keeps its size.
    void FitOpenListToLabels();

  private:
    std::function<void()> beforeOpening_;
};

}  // namespace updater
