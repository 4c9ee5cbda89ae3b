#pragma once
// The Qt drawing of the service settings dialog: line speed of the block transfer, stop bits,
// unscrambled traffic and an image file of the user's own. What each control does is decided
// by SpecialSettingsForm (front/); the main window takes the settings back when the dialog
// ends with "Set" (Accepted).

#include <QDialog>
#include <functional>
#include <string>

#include "front/SpecialSettingsForm.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace updater {

// Asks for an image file to open; returns its full path, or an empty string when cancelled.
using FileChooserFunction = std::function<QString(QWidget* parent, const QString& filter)>;

class SpecialSettingsDialog : public QDialog {
    Q_OBJECT
  public:
    SpecialSettingsDialog(QWidget* owner, const UserSettings& settings);

    // Replaces the file chooser of "Refer" (the standard open-file dialog by default).
    void SetFileChooser(FileChooserFunction chooser);

    const UserSettings& Settings() const { return form_.Settings(); }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void OnInitDialog();
    void ConnectHandlers();
    void OnUseOwnFile();
    void OnRefer();
    void OnSet();

    SpecialSettingsForm form_;
    FileChooserFunction chooser_;
    bool initialised_ = false;
    QPushButton* setButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QRadioButton* speed57600_ = nullptr;
    QRadioButton* speed19200_ = nullptr;
    QRadioButton* speed38400_ = nullptr;
    QRadioButton* stopBit1_ = nullptr;
    QRadioButton* stopBit2_ = nullptr;
    QCheckBox* unencryptedBox_ = nullptr;
    QCheckBox* useOwnFileBox_ = nullptr;
    QLineEdit* filePathEdit_ = nullptr;
    QPushButton* referButton_ = nullptr;
};

}  // namespace updater
