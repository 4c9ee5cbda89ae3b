#pragma once
// What the main dialog's toolkit does for UpdaterDialogCore: it shows what the core decides
// and reports the user's actions back to it. It is also the update's host (progress bar,
// message boxes, waiting for a transfer pass while the window keeps serving).

#include <cstddef>
#include <string>
#include <vector>

#include "front/UserSettings.h"
#include "link/PortProbe.h"
#include "protocol/UpdateHost.h"

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

class UpdaterWindow : public UpdateHost {
  public:
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
};

}  // namespace updater
