#pragma once
// The main window's port list: a drop-down list that lets its owner look for ports again
// right before it opens, so that an adapter plugged in after start-up shows up.

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

  private:
    std::function<void()> beforeOpening_;
};

}  // namespace updater
