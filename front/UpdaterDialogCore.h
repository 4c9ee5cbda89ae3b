#pragma once
// The main dialog's behaviour without its toolkit: start-up (the image, the caption, the
// port list under the banner, looked at again when it is opened or a device comes or goes), the
// five settings and their exchange with Special Settings, the Write button's update with the
// greying of the controls, and the exit question. Both windows (Qt on Linux, Win32 on Windows)
// drive one of these and only draw.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "front/PortScan.h"
#include "front/UpdaterWindow.h"
#include "front/UserSettings.h"
#include "image/FirmwareImage.h"
#include "link/LinkPort.h"
#include "protocol/MemoryTrace.h"

namespace updater {

// The ports as the system lists them, none opened (link/SystemPorts.h); tests offer their own.
using PortLister = std::function<std::vector<PortInfo>()>;

// Loads and validates an image as LoadAndValidateImage does (image/FirmwareImage.h).
using ImageLoaderFunction =
    std::function<bool(FirmwareImage& image, const ImageFile& file, ImageLoadForm form)>;

struct FrontOptions {
    // 1 shows the Special Settings button; any other value keeps it hidden.
    int specialSettingsFlag = 0;
    // The start-up scan, run on a thread of its own while the banner shows. Empty: the RS-232
    // ports among this machine's candidates, probed.
    PortEnumerator portEnumerator;
    // Every later look (the list opened, a device come or gone). Empty: ListSystemPorts.
    PortLister portLister;
    // Empty: the image pipeline (the built-in image, or the user's file).
    ImageLoaderFunction imageLoader;
};

class UpdaterDialogCore {
  public:
    UpdaterDialogCore(UpdaterWindow& window, LinkPort& link, FrontOptions options);

    // Loads and validates the image, sets the caption and lists the ports under the banner.
    // Runs once; later calls do nothing.
    void OnInitDialog();
    // The Write button: one whole update, the controls greyed and the wait cursor shown
    // meanwhile; the window keeps serving while it runs.
    void OnWrite();
    void OnSpecialSettings();
    void OnSelchangePort(int index);
    // The port list is about to open: look for the ports again, so that an adapter plugged in
    // since shows up; the selected device stays selected where it is still there.
    void OnPortListOpening();
    // The system reports a serial device added or removed: the list follows, the selected
    // device staying selected while it is there. During an update the update's port stays as
    // it is; the list follows once the update has ended.
    void OnPortsChanged();
    // Exit, Esc and the close box: asks first; true when the dialog was ended. Refused
    // (false, no question) while Exit is unavailable, that is during an update.
    bool OnCancel();
    // "Save trace of the last update…": asks for a file and writes the last update's trace
    // into it. Refused while an update runs, and before the first.
    void OnSaveTrace();

    const UserSettings& Settings() const { return settings_; }
    bool ImageValid() const { return imageValid_; }
    bool UpdateRunning() const { return updateRunning_; }
    bool ExitAvailable() const { return exitEnabled_ && !updateRunning_; }
    const FirmwareImage& Image() const { return image_; }
    const std::vector<PortInfo>& Ports() const { return ports_; }
    // The last update has ended and its trace is there to save.
    bool TraceSavingAvailable() const { return lastTrace_ != nullptr && !updateRunning_; }

  private:
    void LoadAndValidateImage(ImageLoadForm form);
    void EnumeratePorts();
    // Looks at the ports again without opening any, and shows what changed.
    void RescanPorts();
    std::vector<PortInfo> ProbePorts();
    std::vector<PortInfo> ListPorts();
    // Shows ports_ and selects preferredDevice, or the first port when it is not there.
    void ShowPorts(const std::string& preferredDevice);
    void DisableControls();
    void EnableControls();
    void SetUpdateControls(bool enabled);
    void Enable(DialogControl control, bool enabled);

    UpdaterWindow& window_;
    LinkPort& link_;
    FrontOptions options_;
    UserSettings settings_;
    FirmwareImage image_;
    std::vector<PortInfo> ports_;
    // The last update's trace, from the Write press to the result; replaced by the next.
    std::unique_ptr<MemoryTrace> lastTrace_;
    bool imageValid_ = true;
    bool initialised_ = false;
    bool updateRunning_ = false;
    bool scanRunning_ = false;
    // A device came or went while the start-up scan or an update ran.
    bool portsChangedMeanwhile_ = false;
    bool exitEnabled_ = true;
};

}  // namespace updater
