#pragma once
// What the main dialog's toolkit does for UpdaterDialogCore: it shows what the core decides
// and reports the user's actions back to it. It also shows what an update reports (progress
// bar, message boxes, the running step), and keeps serving the user while the update runs on
// a thread of its own.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "front/UserSettings.h"
#include "link/PortProbe.h"

namespace updater {

// The main dialog's controls that take part in enabling and greying, in template order; a
// toolkit keeps its controls in an array indexed by these.
enum class DialogControl {
    Ok,  // hidden and disabled for good
    Exit,
    PathEdit,  // hidden, no behaviour
    Open,      // hidden, no behaviour
    Write,
    PortList,
    SpecialSettings,  // shown only in service builds
};
inline constexpr size_t kDialogControlCount = 7;

class UpdaterWindow {
  public:
    virtual ~UpdaterWindow() = default;

    virtual void SetCaption(const std::string& caption) = 0;
    virtual void EnableControl(DialogControl control, bool enabled) = 0;
    virtual void ShowControl(DialogControl control, bool shown) = 0;
    // The system menu's Close item, and with it the caption's close box.
    virtual void EnableCloseCommand(bool enabled) = 0;

    // Fills the port list anew with the ports' labels, in the order given, nothing selected.
    virtual void FillPortList(const std::vector<PortInfo>& ports) = 0;
    virtual void SelectPort(int index) = 0;
    // The list's selection, or -1.
    virtual int SelectedPort() const = 0;

    // The status banner over the window, with the banner texts of the front layer.
    virtual void ShowStatusBanner() = 0;
    virtual void HideStatusBanner() = 0;
    virtual void ShowWaitCursor(bool waiting) = 0;
    // Drops the keyboard and mouse input that queued up while the window was busy.
    virtual void DiscardInput() = 0;

    // Shows Special Settings modally with a copy of settings; true when it ended with "Set",
    // and settings then hold the user's choice.
    virtual bool RunSpecialSettings(UserSettings& settings) = 0;
    // Ends the dialog, and with it the program.
    virtual void EndDialog() = 0;

    // What an update shows. Callable from any thread; each returns once the window's thread
    // has shown it, like a synchronous window message.
    virtual void SetProgressRange(int maximum) = 0;
    // Below the range (-1) the bar is emptied.
    virtual void SetProgressPosition(int position) = 0;
    // A modal message box (protocol/UpdateHost.h styles); returns ID_OK or ID_CANCEL.
    virtual int ShowMessage(const std::string& text, const std::string& caption,
                            unsigned style) = 0;
    // The running step's text (UTF-8); empty clears it.
    virtual void ShowStep(const std::string& step) = 0;

    // "Save trace of the last update…": available (the last update's trace is there to save)
    // or greyed (none yet, or an update runs).
    virtual void EnableTraceSaving(bool enabled) = 0;
    // The platform's save dialog for the trace, text files offered (front/TraceSaving.h),
    // suggestedName proposed; the chosen path (UTF-8), or empty when cancelled.
    virtual std::string ChooseTraceFile(const std::string& suggestedName) = 0;

    // Window's thread: runs work on a thread of its own and serves the window meanwhile
    // (painting, the refused close box), sleeping until there is something to serve; returns
    // once work has returned, and rethrows what it threw.
    virtual void RunWhileServing(const std::function<void()>& work) = 0;
};

}  // namespace updater
