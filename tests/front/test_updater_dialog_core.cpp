// The main window's decisions, without a toolkit: start-up, the settings exchange, Write and
// the exit question. The shared scenarios (WindowScenarios.h) say what the window shows after
// each step, and are asserted here against the core; the real windows (tests/app, tests/win)
// walk the same list and check that they show what the core decides. The tests below assert
// only what the scenarios cannot show: the order of events, the loader's calls, the controls
// during an update, what Special Settings is handed.
#include <gtest/gtest.h>

#include <algorithm>

#include "RecordingWindow.h"
#include "WindowScenarios.h"
#include "front/UpdaterDialogCore.h"
#include "front/WindowTexts.h"
#include "protocol/Messages.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/SmallImage.h"

namespace updater {
namespace {

using testing::LoadSmallImage;
using testing::MessageRecorder;
using testing::RecordingWindow;

// Loader calls as the core made them.
struct LoadCall {
    ImageFile file;
    ImageLoadForm form;
};

// Ports as a scan finds them, by device name.
std::vector<PortInfo> Ports(std::initializer_list<const char*> devices) {
    std::vector<PortInfo> ports;
    for (const char* device : devices) ports.push_back(PortInfo{device, {}, {}, {}});
    return ports;
}

struct CoreUnderTest {
    explicit CoreUnderTest(FrontOptions options = {}) : options_(std::move(options)) {
        if (!options_.imageLoader) options_.imageLoader = LoadSmallImage;
        const ImageLoaderFunction loader = options_.imageLoader;
        options_.imageLoader = [this, loader](FirmwareImage& image, const ImageFile& file,
                                              ImageLoadForm form) {
            loads.push_back({file, form});
            return loader(image, file, form);
        };
        if (!options_.portEnumerator) {
            options_.portEnumerator = [](SerialPort&) { return Ports({"COM3", "\\\\.\\COM12"}); };
        }
        // Every later look finds what the scan would (tests/front/test_port_refresh.cpp
        // tells the two apart).
        if (!options_.portLister) {
            options_.portLister = [this] { return options_.portEnumerator(link); };
        }
        core = std::make_unique<UpdaterDialogCore>(window, link, options_);
    }

    FrontOptions options_;
    RecordingWindow window;
    LinkPort link;
    std::vector<LoadCall> loads;
    std::unique_ptr<UpdaterDialogCore> core;
};

FrontOptions WithSpecialSettings() {
    FrontOptions options;
    options.specialSettingsFlag = 1;
    return options;
}

bool FailingLoader(FirmwareImage&, const ImageFile&, ImageLoadForm) { return false; }

TEST(UpdaterDialogCore, DecidesWhatEachWindowScenarioSays) {
    for (const testing::WindowScenario& scenario : testing::WindowScenarios()) {
        SCOPED_TRACE(scenario.name);
        EXPECT_EQ(testing::Outcome(testing::ExpectedViews(scenario)), scenario.outcome);
    }
}

TEST(UpdaterDialogCore, StartUpLoadsTheEmbeddedImageAndListsThePortsUnderTheBanner) {
    MessageRecorder recorder;
    CoreUnderTest under;
    under.core->OnInitDialog();
    const RecordingWindow& window = under.window;

    EXPECT_TRUE(recorder.messages.empty());
    ASSERT_EQ(under.loads.size(), 1u);
    EXPECT_EQ(under.loads[0].file, std::nullopt);  // the embedded image
    EXPECT_EQ(under.loads[0].form, ImageLoadForm::StartUp);
    EXPECT_EQ(window.caption, "Updater for VM-5160/VM-6160         Ver. V9.01");

    // The scan runs under the banner and the wait cursor; input made meanwhile is dropped.
    const std::vector<std::string> expected{
        "banner shown: " + window.caption + "|Checking COM Port Connection.....",
        "wait cursor",
        "ports filled",
        "input discarded",
        "arrow cursor",
        "banner hidden",
    };
    EXPECT_EQ(window.events, expected);

    // The label of a port the system describes not at all: its short name.
    ASSERT_EQ(window.ports.size(), 2u);
    EXPECT_EQ(window.ports[1].Label(), "COM12");
}

TEST(UpdaterDialogCore, WriteAndExitWaitUntilTheStartUpHasFinished) {
    MessageRecorder recorder;
    std::vector<std::pair<bool, bool>> duringScan;  // Write and Exit while the ports are tried
    FrontOptions options;
    RecordingWindow* window = nullptr;
    UpdaterDialogCore* core = nullptr;
    options.portEnumerator = [&](SerialPort&) {
        duringScan.push_back(
            {window->Enabled(DialogControl::Write), window->Enabled(DialogControl::Exit)});
        EXPECT_FALSE(core->OnCancel());  // no exit question yet
        return std::vector<PortInfo>{};
    };
    CoreUnderTest under(options);
    window = &under.window;
    core = under.core.get();
    under.core->OnInitDialog();

    ASSERT_EQ(duringScan.size(), 1u);
    EXPECT_EQ(duringScan[0], std::make_pair(false, false));
    EXPECT_TRUE(recorder.messages.empty());
    under.core->OnInitDialog();  // once only
    EXPECT_EQ(duringScan.size(), 1u);
}

TEST(UpdaterDialogCore, AnInvalidImageIsToldToTheWindowsThatAsk) {
    MessageRecorder recorder;
    FrontOptions options;
    options.imageLoader = FailingLoader;
    CoreUnderTest under(options);
    under.core->OnInitDialog();
    EXPECT_FALSE(under.core->ImageValid());
    EXPECT_EQ(under.loads.size(), 1u);
}

TEST(UpdaterDialogCore, WhileWriteSaysThePortCannotBeOpenedEverythingIsLocked) {
    MessageRecorder recorder;
    std::vector<bool> lockedDuringMessage;
    FrontOptions options;
    options.portEnumerator = [](SerialPort&) { return std::vector<PortInfo>{}; };
    CoreUnderTest under(options);
    under.core->OnInitDialog();
    RecordingWindow& window = under.window;

    recorder.answer = [&](const testing::RecordedMessage&) {
        for (DialogControl control :
             {DialogControl::Open, DialogControl::PathEdit, DialogControl::Write,
              DialogControl::Exit, DialogControl::PortList}) {
            lockedDuringMessage.push_back(!window.Enabled(control));
        }
        lockedDuringMessage.push_back(!window.closeCommandEnabled);
        lockedDuringMessage.push_back(!under.core->OnCancel());  // refused without a question
        return ID_OK;
    };
    under.core->OnWrite();

    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_TRUE(std::all_of(lockedDuringMessage.begin(), lockedDuringMessage.end(),
                            [](bool locked) { return locked; }));
    EXPECT_EQ(lockedDuringMessage.size(), 7u);
    // Everything back (the scenarios show the controls); the bar is empty.
    EXPECT_TRUE(window.closeCommandEnabled);
    EXPECT_FALSE(under.core->UpdateRunning());
    EXPECT_EQ(window.Positions().back(), -1);
}

TEST(UpdaterDialogCore, WriteRunsAwayFromTheWindowsThreadFromAnEmptyBar) {
    MessageRecorder recorder;
    FrontOptions options;
    options.portEnumerator = [](SerialPort&) { return Ports({"no-such-port-for-the-updater"}); };
    CoreUnderTest under(options);
    under.core->OnInitDialog();
    under.core->OnWrite();

    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_FALSE(under.link.IsOpen());
    const std::vector<int> positions = under.window.Positions();
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.front(), 0);  // every update starts from an empty bar
    EXPECT_EQ(positions.back(), -1);
    // The update ran away from the window's thread, under the wait cursor, and its step text
    // is cleared afterwards.
    const std::vector<std::string>& events = under.window.events;
    const auto started = std::find(events.begin(), events.end(), "update started");
    ASSERT_NE(started, events.end());
    ASSERT_NE(started, events.begin());
    EXPECT_EQ(*std::prev(started), "wait cursor");
    ASSERT_NE(std::next(started), events.end());
    EXPECT_EQ(*std::next(started), "update returned");
    EXPECT_FALSE(under.window.waitCursor);
    EXPECT_EQ(under.window.Steps(), (std::vector<std::string>{"Opening the port…", ""}));
}

TEST(UpdaterDialogCore, OnCancelSaysWhetherTheDialogEnded) {
    for (const int answer : {ID_CANCEL, ID_OK}) {
        SCOPED_TRACE(answer);
        MessageRecorder recorder;
        recorder.answer = [answer](const testing::RecordedMessage&) { return answer; };
        CoreUnderTest under;
        under.core->OnInitDialog();
        EXPECT_EQ(under.core->OnCancel(), answer == ID_OK);
    }
}

TEST(UpdaterDialogCore, SpecialSettingsIsNotShownWithoutTheFlag) {
    MessageRecorder recorder;
    int shown = 0;
    CoreUnderTest plain;
    plain.window.specialSettings = [&](UserSettings&) { return ++shown, true; };
    plain.core->OnInitDialog();
    plain.core->OnSpecialSettings();
    EXPECT_EQ(shown, 0);
}

TEST(UpdaterDialogCore, SpecialSettingsCancelNeitherReloadsNorCaptions) {
    MessageRecorder recorder;
    CoreUnderTest under(WithSpecialSettings());
    under.core->OnInitDialog();
    under.window.caption = "stale";
    under.window.specialSettings = [](UserSettings& settings) {
        settings = {SpeedChoice::Speed57600, 1, 1, 1, "C:\\image.mot"};
        return false;
    };
    under.core->OnSpecialSettings();

    EXPECT_EQ(under.loads.size(), 1u);  // no reload
    EXPECT_EQ(under.window.caption, "stale");
    EXPECT_TRUE(under.core->Settings().ownFilePath.empty());
}

TEST(UpdaterDialogCore, SpecialSettingsIsHandedTheSettingsAndSetReloadsFromTheChosenFile) {
    MessageRecorder recorder;
    CoreUnderTest under(WithSpecialSettings());
    under.core->OnInitDialog();
    under.window.specialSettings = [](UserSettings& settings) {
        EXPECT_EQ(settings.speedChoice,
                  SpeedChoice::Speed38400);  // handed in: the current settings
        settings = {SpeedChoice::Speed57600, 1, 1, 1,
                    "C:\\Pr\xc3\xbc"
                    "fstand\\image.mot"};
        return true;
    };
    under.core->OnSpecialSettings();

    ASSERT_EQ(under.loads.size(), 2u);
    EXPECT_EQ(under.loads[1].file, under.core->Settings().ownFilePath);  // the UTF-8 path as is
    EXPECT_EQ(under.loads[1].form, ImageLoadForm::SpecialSettings);
}

TEST(UpdaterDialogCore, UntickingTheOwnFileLoadsTheBuiltInImageAgain) {
    MessageRecorder recorder;
    CoreUnderTest under(WithSpecialSettings());
    under.core->OnInitDialog();
    under.window.specialSettings = [](UserSettings& settings) {
        settings.ownFilePath = "/home/tech/image.mot";
        settings.useOwnFile = 1;
        return true;
    };
    under.core->OnSpecialSettings();

    under.window.specialSettings = [](UserSettings& settings) {
        EXPECT_EQ(settings.useOwnFile, 1);  // handed in ticked
        settings.useOwnFile = 0;
        return true;
    };
    under.core->OnSpecialSettings();
    ASSERT_EQ(under.loads.size(), 3u);
    EXPECT_EQ(under.loads[2].file, std::nullopt);  // the built-in image
}

}  // namespace
}  // namespace updater
