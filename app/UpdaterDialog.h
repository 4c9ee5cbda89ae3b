#pragma once
// The program's one window: the firmware image it carries, the port list, the Write button
// with its progress bar, Special Settings and Exit. It is also the update's front end: the
// update reaches the user only through the UpdateHost calls below.

#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "link/LinkPort.h"
#include "link/PortProbe.h"
#include "protocol/UpdateHost.h"
#include "ui/SpecialSettingsDialog.h"

class QEventLoop;

namespace updater {
class GuiThreadCalls;
}
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace updater {

class PortListBox;

// Loads and validates an image as LoadAndValidateImage does (image/FirmwareImage.h).
using ImageLoaderFunction = std::function<bool(FirmwareImage& image, const std::string& path,
                                               int fromFile, ImageLoadForm form)>;

struct UpdaterDialogOptions {
    // 1 shows the Special Settings button; any other value keeps it hidden.
    int specialSettingsFlag = 0;
    // Empty: the RS-232 ports among this machine's serial devices.
    PortEnumerator portEnumerator;
    // Empty: the standard open-file dialog.
    FileChooserFunction fileChooser;
    // Empty: the image pipeline (the built-in image, or the user's file).
    ImageLoaderFunction imageLoader;
};

class UpdaterDialog : public QDialog, public UpdateHost {
    Q_OBJECT
  public:
    UpdaterDialog(QWidget* parent, LinkPort& link, UpdaterDialogOptions options = {});
    ~UpdaterDialog() override;

    // Loads and validates the image, sets the caption and lists the ports under the banner.
    // Runs once, before the window is first shown.
    void OnInitDialog();

    void OnWrite();
    void OnSpecialSettings();
    // Exit, Esc and the close box: asks before ending the program.
    void OnCancel();

    // The five settings, at their defaults from OnInitDialog on.
    int speedChoice = 5;
    int stopBits = 2;
    int unencrypted = 0;
    int useOwnFile = 0;
    std::string ownFilePath;

    bool ImageValid() const { return imageValid_; }
    bool UpdateRunning() const { return updateRunning_; }
    const FirmwareImage& Image() const { return image_; }

    // UpdateHost.
    void SetProgressRange(int maximum) override;
    void SetProgressPosition(int position) override;
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override;
    void PassFinished() override;
    void WaitForPass() override;

    // Esc: the same question as Exit.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    void LoadAndValidateImage(ImageLoadForm form);
    void SetCaption();
    void EnumeratePorts();
    // Looks for the ports again (the list is opened, or Write finds it empty), keeping the
    // selected device selected where it is still there.
    void RescanPorts();
    std::vector<PortInfo> FindPorts();
    void FillPortList(const std::vector<PortInfo>& ports, const QString& preferredDevice);
    void OnSelchangePort(int index);
    void OnPassFinished();
    void DisableControls();
    void EnableControls();
    void SetControlsEnabled(bool enabled);
    void ShowProgress(int position);
    void PlaceBeforeShowing();

    LinkPort& link_;
    UpdaterDialogOptions options_;
    FirmwareImage image_;
    bool imageValid_ = true;
    bool initialised_ = false;
    bool updateRunning_ = false;
    bool exitConfirmed_ = false;
    int passFinished = 0;
    QPointer<QEventLoop> passLoop_;
    GuiThreadCalls* guiCalls_ = nullptr;  // the pass thread's synchronous calls

    QPushButton* okButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QPushButton* writeButton_ = nullptr;
    PortListBox* portList_ = nullptr;
    QPushButton* specialSettingsButton_ = nullptr;
};

}  // namespace updater
