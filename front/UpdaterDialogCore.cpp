#include "front/UpdaterDialogCore.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "front/StatusBannerText.h"
#include "front/TraceSaving.h"
#include "front/WindowTexts.h"
#include "front/WindowUpdateHost.h"
#include "link/SystemPorts.h"
#include "protocol/Commands.h"
#include "protocol/Messages.h"
#include "protocol/ResultCodes.h"
#include "protocol/TracedUpdate.h"
#include "protocol/Update.h"
#include "res/EmbeddedImage.h"

namespace updater {

UpdaterDialogCore::UpdaterDialogCore(UpdaterWindow& window, LinkPort& link, FrontOptions options)
    : window_(window), link_(link), options_(std::move(options)) {}

void UpdaterDialogCore::Enable(DialogControl control, bool enabled) {
    if (control == DialogControl::Exit) exitEnabled_ = enabled;
    window_.EnableControl(control, enabled);
}

void UpdaterDialogCore::OnInitDialog() {
    if (initialised_) return;
    initialised_ = true;

    imageValid_ = true;
    Enable(DialogControl::Write, false);
    Enable(DialogControl::Exit, false);
    settings_ = UserSettings{};

    LoadAndValidateImage(ImageLoadForm::StartUp);
    const std::string caption = WindowCaption(imageValid_, image_);
    window_.SetCaption(caption);

    EnableBanner(1);
    SetBannerTexts({caption, kTextCheckingPorts, "", "", "", "", ""});
    EnumeratePorts();
    window_.HideStatusBanner();

    window_.ShowControl(DialogControl::SpecialSettings, options_.specialSettingsFlag == 1);
    Enable(DialogControl::Write, imageValid_);
    Enable(DialogControl::Exit, true);
    if (portsChangedMeanwhile_) {
        portsChangedMeanwhile_ = false;
        RescanPorts();
    }
}

void UpdaterDialogCore::LoadAndValidateImage(ImageLoadForm form) {
    // A fresh image each time, so that a reload never mixes blocks of two files.
    FirmwareImage loaded;
    const ImageFile file =
        settings_.useOwnFile != 0 ? ImageFile(settings_.ownFilePath) : std::nullopt;
    const bool valid = options_.imageLoader
                           ? options_.imageLoader(loaded, file, form)
                           : updater::LoadAndValidateImage(loaded, ChosenImage(file), form);
    image_ = std::move(loaded);
    if (!valid) {
        window_.ShowMessage(kTextInvalidImage, kCaptionError, MB_OK_ONLY);
        static_cast<void>(CloseLink(link_, nullptr));  // the image is refused either way
        imageValid_ = false;
    }
}

void UpdaterDialogCore::EnumeratePorts() {
    // The scan's pauses and opens run on a thread of their own while the window's thread puts
    // the banner up and paints it; the window then waits for the scan's end. Only the scan
    // touches the link meanwhile.
    std::vector<PortInfo> found;
    std::exception_ptr failure;
    scanRunning_ = true;
    std::thread scan([&] {
        try {
            found = ProbePorts();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    window_.ShowStatusBanner();
    window_.ShowWaitCursor(true);
    scan.join();
    scanRunning_ = false;
    if (failure) std::rethrow_exception(failure);
    ports_ = std::move(found);
    ShowPorts(std::string());
    if (ports_.empty()) Enable(DialogControl::PortList, false);
    window_.DiscardInput();
    window_.ShowWaitCursor(false);
}

void UpdaterDialogCore::RescanPorts() {
    const int selected = window_.SelectedPort();
    const std::string device = selected >= 0 && selected < static_cast<int>(ports_.size())
                                   ? ports_[static_cast<size_t>(selected)].device
                                   : std::string();
    std::vector<PortInfo> found = ListPorts();
    const auto sameEntry = [](const PortInfo& a, const PortInfo& b) {
        return a.device == b.device && a.Label() == b.Label();
    };
    // An unchanged list stays as it is, open or closed, its selection untouched.
    if (selected >= 0 &&
        std::equal(found.begin(), found.end(), ports_.begin(), ports_.end(), sameEntry)) {
        return;
    }
    ports_ = std::move(found);
    ShowPorts(device);
    Enable(DialogControl::PortList, !ports_.empty());
}

std::vector<PortInfo> UpdaterDialogCore::ProbePorts() {
    return options_.portEnumerator ? options_.portEnumerator(link_) : ScanSystemPorts(link_);
}

std::vector<PortInfo> UpdaterDialogCore::ListPorts() {
    std::vector<PortInfo> listed = options_.portLister ? options_.portLister() : ListSystemPorts();
    // Those another program holds stay in the list, marked: the technician sees why Write
    // will fail there, and which program to close.
    std::erase_if(listed, [](const PortInfo& port) {
        return !port.Usable() && port.access != PortAccess::Busy;
    });
    return listed;
}

void UpdaterDialogCore::ShowPorts(const std::string& preferredDevice) {
    window_.FillPortList(ports_);
    if (ports_.empty()) return;
    int index = 0;
    for (size_t i = 0; i < ports_.size(); ++i) {
        if (ports_[i].device == preferredDevice) index = static_cast<int>(i);
    }
    window_.SelectPort(index);
    OnSelchangePort(index);
}

void UpdaterDialogCore::OnSelchangePort(int index) {
    // The update owns the link while it runs; a rename would reopen its port.
    if (updateRunning_ || index < 0 || index >= static_cast<int>(ports_.size())) return;
    // A name that will not open shows at Write, with its message.
    static_cast<void>(link_.SetPortName(ports_[static_cast<size_t>(index)].device));
}

void UpdaterDialogCore::OnPortListOpening() {
    if (scanRunning_ || updateRunning_) return;
    RescanPorts();
}

void UpdaterDialogCore::OnPortsChanged() {
    if (!initialised_) return;  // the start-up scan is still to come
    // The scan and the update own the link: the list follows once they have ended.
    if (scanRunning_ || updateRunning_) {
        portsChangedMeanwhile_ = true;
        return;
    }
    RescanPorts();
}

void UpdaterDialogCore::OnSpecialSettings() {
    if (updateRunning_ || options_.specialSettingsFlag != 1) return;
    UserSettings edited = settings_;
    if (!window_.RunSpecialSettings(edited)) return;
    settings_ = std::move(edited);

    imageValid_ = true;
    Enable(DialogControl::Write, false);
    Enable(DialogControl::Exit, false);
    LoadAndValidateImage(ImageLoadForm::SpecialSettings);
    window_.SetCaption(WindowCaption(imageValid_, image_));
    Enable(DialogControl::Write, imageValid_);
    Enable(DialogControl::Exit, true);
}

void UpdaterDialogCore::OnWrite() {
    if (updateRunning_ || !imageValid_) return;
    updateRunning_ = true;
    DisableControls();
    // Only the last update's trace is kept: this one replaces it from the press on.
    window_.EnableTraceSaving(false);
    lastTrace_ = std::make_unique<MemoryTrace>();
    WindowUpdateHost host(window_);
    TracedHost tracedHost(host, *lastTrace_);
    window_.SetProgressPosition(0);  // every update starts from an empty bar

    // No port was found so far: look again, for an adapter plugged in since.
    if (window_.SelectedPort() < 0) RescanPorts();
    const int selected = window_.SelectedPort();
    if (selected < 0 || selected >= static_cast<int>(ports_.size())) {
        // Still none: nothing to open, so say so instead of trying whichever device the scan
        // touched last.
        tracedHost.ShowMessage(ErrorMessageText(ERR_PORT_OPEN), kCaptionError, MB_OK_STOP);
        UpdateOutcome unopened;
        unopened.code = ERR_PORT_OPEN;
        lastTrace_->UpdateEnded(unopened);
    } else {
        // A name that will not open shows at OpenPort, with its message.
        static_cast<void>(link_.SetPortName(ports_[static_cast<size_t>(selected)].device));
        // The update runs on a thread of its own, so that the window keeps serving the user
        // through the connection check's reads and waits (up to 19 s without a radio). It owns
        // the link, the image and its settings until it returns: every way to change them is
        // refused while updateRunning_.
        const UpdateSettings settings = settings_.ForUpdate();
        MemoryTrace& trace = *lastTrace_;
        window_.ShowWaitCursor(true);
        window_.RunWhileServing([&] {
            try {
                static_cast<void>(RunTracedUpdate(link_, host, image_, settings, &trace));
            } catch (...) {
                // Whatever broke, the port is let go and the user told, so that the window
                // comes back instead of staying greyed.
                static_cast<void>(CloseLink(link_, nullptr));
                tracedHost.ShowMessage(kTextGeneralFailure, kCaptionError, MB_OK_STOP);
                trace.UpdateEnded(UpdateOutcome{});
            }
        });
        window_.ShowWaitCursor(false);
        window_.ShowStep("");
    }

    window_.SetProgressPosition(-1);
    EnableControls();
    updateRunning_ = false;
    window_.EnableTraceSaving(true);
    if (portsChangedMeanwhile_) {
        portsChangedMeanwhile_ = false;
        RescanPorts();
    }
}

void UpdaterDialogCore::OnSaveTrace() {
    if (!TraceSavingAvailable()) return;
    const std::string path = window_.ChooseTraceFile(TraceFileName(lastTrace_->Started()));
    if (path.empty()) return;
    std::string problem;
    if (!SaveTextFile(path, lastTrace_->Text(), problem)) {
        window_.ShowMessage(TraceNotSavedText(path, problem), kCaptionError, MB_OK_STOP);
    }
}

void UpdaterDialogCore::DisableControls() { SetUpdateControls(false); }

void UpdaterDialogCore::EnableControls() { SetUpdateControls(true); }

void UpdaterDialogCore::SetUpdateControls(bool enabled) {
    // Open, the path box, Write, Exit, the port list (also when the scan found none), then
    // Special Settings where it is shown, then the close command.
    Enable(DialogControl::Open, enabled);
    Enable(DialogControl::PathEdit, enabled);
    Enable(DialogControl::Write, enabled);
    Enable(DialogControl::Exit, enabled);
    Enable(DialogControl::PortList, enabled);
    if (options_.specialSettingsFlag == 1) Enable(DialogControl::SpecialSettings, enabled);
    window_.EnableCloseCommand(enabled);
}

bool UpdaterDialogCore::OnCancel() {
    if (!ExitAvailable()) return false;
    if (window_.ShowMessage(kTextExitQuestion, kCaptionConfirmation, MB_OKCANCEL_QUESTION) ==
        ID_CANCEL) {
        return false;
    }
    window_.EndDialog();
    return true;
}

}  // namespace updater
