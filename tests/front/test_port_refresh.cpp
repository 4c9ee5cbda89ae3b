// The port list follows the plug: the system's reports of devices added and removed reach the
// core from a device-event source the test drives, and every look after the start-up scan
// comes from the system's list (no port opened). The selection stays on its device while it is
// there; during an update the list and the update's port stay as they are until it has ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "RecordingWindow.h"
#include "front/UpdaterDialogCore.h"
#include "protocol/Messages.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/SmallImage.h"

namespace updater {
namespace {

using testing::MessageRecorder;
using testing::RecordingWindow;

// A device name that opens nowhere: an update on it ends at once without a radio.
constexpr const char* kUnopenable = "no-such-port-for-the-updater";

// The system's devices as a test plugs and pulls them, and its reports of each change.
class DeviceEvents {
  public:
    explicit DeviceEvents(std::vector<std::string> devices) : devices_(std::move(devices)) {}

    void Connect(UpdaterDialogCore& core) { core_ = &core; }
    void Plug(const std::string& device) {
        devices_.push_back(device);
        std::sort(devices_.begin(), devices_.end());
        Report();
    }
    void Pull(const std::string& device) {
        std::erase(devices_, device);
        Report();
    }
    void Report() { core_->OnPortsChanged(); }

    std::vector<PortInfo> List() const {
        ++looks;
        std::vector<PortInfo> ports;
        for (const std::string& device : devices_) ports.push_back(PortInfo{device, {}, {}, {}});
        return ports;
    }

    mutable int looks = 0;

  private:
    std::vector<std::string> devices_;
    UpdaterDialogCore* core_ = nullptr;
};

struct RefreshUnderTest {
    explicit RefreshUnderTest(std::vector<std::string> devices) : system(std::move(devices)) {
        FrontOptions options;
        options.imageLoader = testing::LoadSmallImage;
        options.portEnumerator = [this](SerialPort&) {
            ++scans;
            return system.List();
        };
        options.portLister = [this] { return system.List(); };
        core = std::make_unique<UpdaterDialogCore>(window, link, options);
        system.Connect(*core);
        core->OnInitDialog();
        system.looks = 0;
    }

    void Select(int index) {
        window.selectedPort = index;
        core->OnSelchangePort(index);
    }

    std::vector<std::string> Listed() const {
        std::vector<std::string> devices;
        for (const PortInfo& port : window.ports) devices.push_back(port.device);
        return devices;
    }

    std::string SelectedDevice() const {
        return window.selectedPort >= 0
                   ? window.ports[static_cast<size_t>(window.selectedPort)].device
                   : std::string();
    }

    DeviceEvents system;
    RecordingWindow window;
    LinkPort link;
    std::unique_ptr<UpdaterDialogCore> core;
    int scans = 0;
};

using Devices = std::vector<std::string>;

TEST(PortRefresh, FollowsDevicesAddedAndRemovedKeepingTheSelectedOne) {
    const struct {
        const char* name;
        Devices atStart;
        int selected;  // picked by the user after start-up
        bool plug;     // else pull
        const char* device;
        Devices listed;
        const char* selectedDevice;
    } cases[] = {
        {"an adapter added after the selected one",
         {"COM3"},
         0,
         true,
         "COM7",
         {"COM3", "COM7"},
         "COM3"},
        {"an adapter added before the selected one",
         {"COM3", "COM7"},
         1,
         true,
         "COM1",
         {"COM1", "COM3", "COM7"},
         "COM7"},
        {"another adapter removed", {"COM3", "COM7"}, 1, false, "COM3", {"COM7"}, "COM7"},
        {"the selected adapter removed: the first one takes its place",
         {"COM3", "COM7"},
         1,
         false,
         "COM7",
         {"COM3"},
         "COM3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageRecorder recorder;
        RefreshUnderTest under(c.atStart);
        under.Select(c.selected);

        if (c.plug) {
            under.system.Plug(c.device);
        } else {
            under.system.Pull(c.device);
        }
        EXPECT_EQ(under.system.looks, 1);
        EXPECT_EQ(under.scans, 1);  // only the start-up probes; a refresh opens nothing
        EXPECT_EQ(under.Listed(), c.listed);
        EXPECT_EQ(under.SelectedDevice(), c.selectedDevice);
        EXPECT_EQ(under.link.PortName(), c.selectedDevice);
        EXPECT_TRUE(under.window.Enabled(DialogControl::PortList));
        EXPECT_TRUE(recorder.messages.empty());
    }
}

TEST(PortRefresh, TheLastAdapterPulledGreysTheListAndItsReturnBringsItBack) {
    RefreshUnderTest under({"COM3"});
    under.system.Pull("COM3");
    EXPECT_TRUE(under.Listed().empty());
    EXPECT_EQ(under.window.selectedPort, -1);
    EXPECT_FALSE(under.window.Enabled(DialogControl::PortList));

    under.system.Plug("COM3");
    EXPECT_EQ(under.Listed(), Devices{"COM3"});
    EXPECT_EQ(under.window.selectedPort, 0);
    EXPECT_EQ(under.link.PortName(), "COM3");
    EXPECT_TRUE(under.window.Enabled(DialogControl::PortList));
}

TEST(PortRefresh, AReportThatChangesNothingLeavesTheListAsItIs) {
    RefreshUnderTest under({"COM3", "COM7"});
    under.Select(1);
    const size_t eventsBefore = under.window.events.size();
    under.system.Report();  // another tty device (a terminal window) came or went
    EXPECT_EQ(under.system.looks, 1);
    EXPECT_EQ(under.window.events.size(), eventsBefore);  // not filled again: an open list stays
    EXPECT_EQ(under.window.selectedPort, 1);
}

TEST(PortRefresh, ListsPortsOtherProgramsHoldMarkedAndLeavesOutTheOnesThatAreGone) {
    MessageRecorder recorder;
    RecordingWindow window;
    LinkPort link;
    FrontOptions options;
    options.imageLoader = testing::LoadSmallImage;
    options.portEnumerator = [](SerialPort&) { return std::vector<PortInfo>{}; };
    options.portLister = [] {
        return std::vector<PortInfo>{
            PortInfo{"/dev/ttyUSB0", {}, PortAccess::Busy, "minicom (pid 4711)"},
            PortInfo{"/dev/ttyUSB1", {}, PortAccess::NotFound, {}},
            PortInfo{"/dev/ttyUSB2", {}, PortAccess::Usable, {}},
        };
    };
    UpdaterDialogCore core(window, link, options);
    core.OnInitDialog();
    core.OnPortsChanged();
    ASSERT_EQ(window.ports.size(), 2u);
    EXPECT_EQ(window.ports[0].Label(), "ttyUSB0 \u2014 in use by minicom (pid 4711)");
    EXPECT_EQ(window.ports[1].Label(), "ttyUSB2");
}

TEST(PortRefresh, DuringAnUpdateTheListWaitsUntilItHasEnded) {
    MessageRecorder recorder;
    RefreshUnderTest under({kUnopenable});
    std::vector<std::string> listedMeanwhile;
    int looksMeanwhile = -1;
    under.window.whileServing = [&] {
        under.system.Plug("COM9");       // reported on the window's thread while the update runs
        under.system.Pull(kUnopenable);  // the update's own port goes too
        listedMeanwhile = under.Listed();
        looksMeanwhile = under.system.looks;
    };
    under.core->OnWrite();

    EXPECT_EQ(listedMeanwhile, Devices{kUnopenable});
    EXPECT_EQ(looksMeanwhile, 0);
    ASSERT_EQ(recorder.messages.size(), 1u);  // the update ran on its own port to its end
    EXPECT_EQ(recorder.messages[0].text, kTextPortOpenFailed);
    // Once it has ended the list follows, in one look.
    EXPECT_EQ(under.system.looks, 1);
    EXPECT_EQ(under.Listed(), Devices{"COM9"});
    EXPECT_EQ(under.SelectedDevice(), "COM9");
    EXPECT_EQ(under.link.PortName(), "COM9");
    EXPECT_TRUE(under.window.Enabled(DialogControl::PortList));
}

TEST(PortRefresh, AReportDuringTheStartUpScanIsFollowedOnceTheScanHasEnded) {
    MessageRecorder recorder;
    DeviceEvents system({"COM3"});
    RecordingWindow window;
    LinkPort link;
    FrontOptions options;
    options.imageLoader = testing::LoadSmallImage;
    // The scan found COM3; it runs on a thread of its own, so it does not look at `system`,
    // which the window's thread changes meanwhile.
    options.portEnumerator = [](SerialPort&) {
        return std::vector<PortInfo>{PortInfo{"COM3", {}, {}, {}}};
    };
    options.portLister = [&system] { return system.List(); };
    UpdaterDialogCore core(window, link, options);
    system.Connect(core);
    size_t listedWhileScanning = 99;
    window.whileBannerShown = [&] {
        system.Plug("COM4");  // on the window's thread, the scan running on its own
        listedWhileScanning = window.ports.size();
    };
    core.OnInitDialog();

    EXPECT_EQ(listedWhileScanning, 0u);  // the scan's list was not touched meanwhile
    ASSERT_EQ(window.ports.size(), 2u);  // and the change followed after it
    EXPECT_EQ(window.ports[1].device, "COM4");
    EXPECT_EQ(window.selectedPort, 0);
}

TEST(PortRefresh, ReportsBeforeTheStartUpScanAreLeftToIt) {
    RecordingWindow window;
    LinkPort link;
    int looks = 0;
    FrontOptions options;
    options.portLister = [&looks] { return ++looks, std::vector<PortInfo>{}; };
    UpdaterDialogCore core(window, link, options);
    core.OnPortsChanged();
    EXPECT_EQ(looks, 0);
    EXPECT_TRUE(window.events.empty());
}

}  // namespace
}  // namespace updater
