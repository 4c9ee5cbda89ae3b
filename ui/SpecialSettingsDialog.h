#pragma once
// The service settings: line speed of the block transfer, stop bits, unscrambled traffic and
// an image file of the user's own. It only edits the five values; the main window hands them
// in before showing it and takes them back when it ends with "Set" (Accepted).

#include <QDialog>
#include <functional>
#include <string>

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
    explicit SpecialSettingsDialog(QWidget* owner);

    // Replaces the file chooser of "Refer" (the standard open-file dialog by default).
    void SetFileChooser(FileChooserFunction chooser);

    int speedChoice = 5;  // 1, 5 or 6
    int stopBits = 2;     // 1 or 2
    int unencrypted = 0;
    int useOwnFile = 0;
    std::string ownFilePath;  // in the file system's encoding

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void OnInitDialog();
    void ConnectHandlers();
    void OnUseOwnFile(bool checked);
    void OnRefer();
    void OnSet();

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
