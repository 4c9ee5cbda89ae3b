#pragma once
// The program's one window on Windows: the Win32 drawing of the main dialog from dialog
// template IDD_UPDATER. What it shows and when is decided by UpdaterDialogCore (front/);
// this class routes the dialog's messages to it and shows what the update reports: the update
// runs on a thread of its own and reaches the dialog with window messages, while the dialog
// keeps serving its messages.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "front/UpdaterDialogCore.h"
#include "front/UpdaterWindow.h"
#include "link/LinkPort.h"
#include "win/FileChooser.h"

namespace updater::win {

// Sent by the update's thread to show a message box on the dialog's thread; lParam points to
// the MessageRequest.
inline constexpr UINT WM_SHOW_MESSAGE = WM_USER + 1;

struct UpdaterDialogOptions : FrontOptions {
    // Empty: the system's open-file dialog.
    FileChooser fileChooser;
    // Empty: the system's save-file dialog (the last update's trace).
    SaveFileChooser saveFileChooser;
};

class UpdaterDialog : public UpdaterWindow {
  public:
    UpdaterDialog(LinkPort& link, UpdaterDialogOptions options = {});
    ~UpdaterDialog() override;
    UpdaterDialog(const UpdaterDialog&) = delete;
    UpdaterDialog& operator=(const UpdaterDialog&) = delete;

    // Runs the dialog modally; returns once it has ended (the program then ends).
    void RunModal();
    // Creates the dialog without a modal loop of its own, for a caller that serves the
    // thread's messages itself (tests). The dialog is shown and initialised on return.
    HWND Create();

    HWND Window() const { return window_; }
    HWND Control(int id) const { return GetDlgItem(window_, id); }
    // The dialog has ended (Exit confirmed).
    bool Ended() const { return ended_; }
    const UpdaterDialogCore& Core() const { return core_; }

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

    // The dialog's messages (win/DialogProcedure.h).
    void OnInitDialog(HWND window);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    struct MessageRequest {
        const std::string& text;
        const std::string& caption;
        unsigned style;
        int answer;
    };
    void OnCommand(int id, int notification);
    void ShowRequestedMessage(MessageRequest& request);
    void SetIcons();
    void FitOpenListToLabels(HWND list, const std::vector<PortInfo>& ports);
    // Follows the system's reports of COM ports added and removed.
    void WatchPorts();
    void OnDeviceChange(WPARAM event, LPARAM data);
    // "Save trace of the last update…" in the system menu, greyed until an update has ended.
    void AddTraceMenuItem();

    FileChooser fileChooser_;
    SaveFileChooser saveFileChooser_;
    UpdaterDialogCore core_;
    HWND window_ = nullptr;
    bool modal_ = false;
    bool ended_ = false;
    bool waitCursor_ = false;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HDEVNOTIFY portNotification_ = nullptr;
};

}  // namespace updater::win
