#pragma once
// The program's one window on Linux: the Qt drawing of the main dialog. What it shows and
// when is decided by UpdaterDialogCore (front/); this class builds the controls, passes the
// user's actions on, and shows what the update reports while it runs on a thread of its own.

#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "front/UpdaterDialogCore.h"
#include "front/UpdaterWindow.h"
#include "link/LinkPort.h"
#include "link/PortWatch.h"
#include "ui/SpecialSettingsDialog.h"

class QAction;
class QContextMenuEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace updater {

class GuiThreadCalls;
class PortListBox;

// Asks where to save a file: the chosen path, or empty when cancelled.
using SaveFileChooserFunction =
    std::function<QString(QWidget* parent, const QString& suggestedName, const QString& filter)>;

struct UpdaterDialogOptions : FrontOptions {
    // Empty: the standard open-file dialog.
    FileChooserFunction fileChooser;
    // Empty: the standard save-file dialog (the last update's trace).
    SaveFileChooserFunction saveFileChooser;
};

class UpdaterDialog : public QDialog, public UpdaterWindow {
    Q_OBJECT
  public:
    UpdaterDialog(QWidget* parent, LinkPort& link, UpdaterDialogOptions options = {});
    ~UpdaterDialog() override;

    // Start-up; runs once, before the window is first shown.
    void OnInitDialog() { core_.OnInitDialog(); }

    const UpdaterDialogCore& Core() const { return core_; }
    const UserSettings& Settings() const { return core_.Settings(); }
    bool ImageValid() const { return core_.ImageValid(); }
    bool UpdateRunning() const { return core_.UpdateRunning(); }
    const FirmwareImage& Image() const { return core_.Image(); }

    // UpdaterWindow.
    void SetCaption(const std::string& caption) override;
    void EnableControl(DialogControl control, bool enabled) override;
    void ShowControl(DialogControl control, bool shown) override;
    void EnableCloseCommand(bool enabled) override;
    void FillPortList(const std::vector<PortInfo>& ports) override;
    void SelectPort(int index) override;
    int SelectedPort() const override;
    void ShowStatusBanner() override;
    void HideStatusBanner() override;
    void ShowWaitCursor(bool waiting) override;
    void DiscardInput() override;
    bool RunSpecialSettings(UserSettings& settings) override;
    void EndDialog() override;

    void SetProgressRange(int maximum) override;
    void SetProgressPosition(int position) override;
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override;
    void ShowStep(const std::string& step) override;
    void RunWhileServing(const std::function<void()>& work) override;
    void EnableTraceSaving(bool enabled) override;
    std::string ChooseTraceFile(const std::string& suggestedName) override;

    // Esc: the same question as Exit.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Right click on the dialog's background, and the Menu key: "Save trace of the last
    // update…" (the caption's menu belongs to the window manager).
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void BuildControls();
    void ShowProgress(int position);
    void PlaceBeforeShowing();
    void BuildTraceMenu();
    // Follows the system's reports of serial devices added and removed.
    void WatchPorts();

    FileChooserFunction fileChooser_;
    SaveFileChooserFunction saveFileChooser_;
    UpdaterDialogCore core_;
    PortWatch portWatch_;
    bool exitConfirmed_ = false;
    GuiThreadCalls* guiCalls_ = nullptr;  // the update's synchronous calls from its threads

    QPushButton* okButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* stepLabel_ = nullptr;
    QPushButton* writeButton_ = nullptr;
    PortListBox* portList_ = nullptr;
    QPushButton* specialSettingsButton_ = nullptr;
    // The same controls, indexed by DialogControl.
    std::array<QWidget*, kDialogControlCount> controls_{};
    QAction* saveTraceAction_ = nullptr;  // the context menu's item
};

}  // namespace updater
