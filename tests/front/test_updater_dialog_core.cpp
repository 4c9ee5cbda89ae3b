// The main window's decisions, without a toolkit: start-up, the settings exchange, Write and
// the exit question. This is the one place they are asserted in full; the real windows
// (tests/app, tests/win) walk the shared scenarios (WindowScenarios.h) and check that they
// show what the core decides.
#include <gtest/gtest.h>

#include <algorithm>

#include "RecordingWindow.h"
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

TEST(UpdaterDialogCore, StartUpShowsTheVersionListsThePortsUnderTheBannerAndEnablesWrite) {
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

    // The ports in scan order, the first selected and named on the link.
    ASSERT_EQ(window.ports.size(), 2u);
    EXPECT_EQ(window.ports[0].Label(), "COM3");
    EXPECT_EQ(window.ports[1].Label(), "COM12");
    EXPECT_EQ(window.selectedPort, 0);
    EXPECT_EQ(under.link.PortName(), "COM3");

    EXPECT_TRUE(window.Enabled(DialogControl::Write));
    EXPECT_TRUE(window.Enabled(DialogControl::Exit));
    EXPECT_TRUE(window.Enabled(DialogControl::PortList));
    EXPECT_FALSE(window.shown.at(DialogControl::SpecialSettings));

    const UserSettings& settings = under.core->Settings();
    EXPECT_EQ(settings.speedChoice, SpeedChoice::Speed38400);
    EXPECT_EQ(settings.stopBits, 2);
    EXPECT_EQ(settings.unencrypted, 0);
    EXPECT_EQ(settings.useOwnFile, 0);
    EXPECT_TRUE(settings.ownFilePath.empty());
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

TEST(UpdaterDialogCore, AnInvalidImageIsReportedOnceAndKeepsWriteGrey) {
    MessageRecorder recorder;
    FrontOptions options;
    options.imageLoader = FailingLoader;
    CoreUnderTest under(options);
    under.core->OnInitDialog();

    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, kTextInvalidImage);
    EXPECT_EQ(recorder.messages[0].caption, kCaptionError);
    EXPECT_EQ(recorder.messages[0].style, MB_OK_ONLY);
    EXPECT_FALSE(under.core->ImageValid());
    EXPECT_EQ(under.window.caption, "Updater for VM-5160/VM-6160         Ver. Invalid Firm");
    EXPECT_FALSE(under.window.Enabled(DialogControl::Write));
    EXPECT_TRUE(under.window.Enabled(DialogControl::Exit));
    under.core->OnWrite();  // refused: nothing to write
    EXPECT_EQ(recorder.messages.size(), 1u);
}

TEST(UpdaterDialogCore, WithoutPortsTheListIsGreyAndWriteSaysThePortCannotBeOpened) {
    MessageRecorder recorder;
    std::vector<bool> lockedDuringMessage;
    FrontOptions options;
    options.portEnumerator = [](SerialPort&) { return std::vector<PortInfo>{}; };
    CoreUnderTest under(options);
    under.core->OnInitDialog();
    RecordingWindow& window = under.window;
    EXPECT_FALSE(window.Enabled(DialogControl::PortList));
    EXPECT_EQ(window.selectedPort, -1);

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
    EXPECT_EQ(recorder.messages[0].text, kTextPortOpenFailed);
    EXPECT_EQ(recorder.messages[0].caption, kCaptionError);
    EXPECT_EQ(recorder.messages[0].style, MB_OK_STOP);
    EXPECT_TRUE(std::all_of(lockedDuringMessage.begin(), lockedDuringMessage.end(),
                            [](bool locked) { return locked; }));
    EXPECT_EQ(lockedDuringMessage.size(), 7u);
    // Everything back, the list too although no port was found; the bar is empty.
    EXPECT_TRUE(window.Enabled(DialogControl::Write));
    EXPECT_TRUE(window.Enabled(DialogControl::Exit));
    EXPECT_TRUE(window.Enabled(DialogControl::PortList));
    EXPECT_TRUE(window.closeCommandEnabled);
    EXPECT_FALSE(under.core->UpdateRunning());
    EXPECT_EQ(window.Positions().back(), -1);
}

TEST(UpdaterDialogCore, APortThatCannotBeOpenedAtWriteIsReported) {
    MessageRecorder recorder;
    FrontOptions options;
    options.portEnumerator = [](SerialPort&) { return Ports({"no-such-port-for-the-updater"}); };
    CoreUnderTest under(options);
    under.core->OnInitDialog();
    under.core->OnWrite();

    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, kTextPortOpenFailed);
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

TEST(UpdaterDialogCore, OpeningThePortListLooksAgainAndKeepsTheSelection) {
    int looks = 0;
    FrontOptions options;
    options.portEnumerator = [&looks](SerialPort&) {
        return looks++ == 0 ? Ports({"COM3", "COM7"}) : Ports({"COM1", "COM3", "COM7"});
    };
    CoreUnderTest under(options);
    under.core->OnInitDialog();
    under.window.selectedPort = 1;  // the user picks COM7
    under.core->OnSelchangePort(1);

    under.core->OnPortListOpening();
    EXPECT_EQ(looks, 2);
    ASSERT_EQ(under.window.ports.size(), 3u);
    EXPECT_EQ(under.window.selectedPort, 2);  // COM7 still, now third
    EXPECT_EQ(under.link.PortName(), "COM7");
}

TEST(UpdaterDialogCore, WriteLooksAgainWhenNoPortWasFound) {
    MessageRecorder recorder;
    int looks = 0;
    FrontOptions options;
    // Nothing at start; a cable that will not open is plugged in before Write.
    options.portEnumerator = [&looks](SerialPort&) {
        return looks++ == 0 ? std::vector<PortInfo>{} : Ports({"no-such-port-for-the-updater"});
    };
    CoreUnderTest under(options);
    under.core->OnInitDialog();
    EXPECT_FALSE(under.window.Enabled(DialogControl::PortList));

    under.core->OnWrite();
    EXPECT_EQ(looks, 2);
    EXPECT_EQ(under.window.selectedPort, 0);
    ASSERT_EQ(recorder.messages.size(), 1u);  // the update tried the new port
    EXPECT_EQ(recorder.messages[0].text, kTextPortOpenFailed);
    EXPECT_TRUE(under.window.Enabled(DialogControl::PortList));
}

TEST(UpdaterDialogCore, ExitAsksFirstAndOnlyOkEndsTheDialog) {
    for (const int answer : {ID_CANCEL, ID_OK}) {
        SCOPED_TRACE(answer);
        MessageRecorder recorder;
        recorder.answer = [answer](const testing::RecordedMessage&) { return answer; };
        CoreUnderTest under;
        under.core->OnInitDialog();

        EXPECT_EQ(under.core->OnCancel(), answer == ID_OK);
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0].text, kTextExitQuestion);
        EXPECT_EQ(recorder.messages[0].caption, kCaptionConfirmation);
        EXPECT_EQ(recorder.messages[0].style, MB_OKCANCEL_QUESTION);
        EXPECT_EQ(under.window.ended, answer == ID_OK);
    }
}

TEST(UpdaterDialogCore, SpecialSettingsOnlyWithTheFlag) {
    MessageRecorder recorder;
    int shown = 0;
    CoreUnderTest plain;
    plain.window.specialSettings = [&](UserSettings&) { return ++shown, true; };
    plain.core->OnInitDialog();
    plain.core->OnSpecialSettings();
    EXPECT_EQ(shown, 0);

    CoreUnderTest service(WithSpecialSettings());
    service.core->OnInitDialog();
    EXPECT_TRUE(service.window.shown.at(DialogControl::SpecialSettings));
    service.window.specialSettings = [&](UserSettings&) { return ++shown, true; };
    service.core->OnSpecialSettings();
    EXPECT_EQ(shown, 1);
}

TEST(UpdaterDialogCore, SpecialSettingsCancelChangesNothing) {
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
    EXPECT_EQ(under.core->Settings().speedChoice, SpeedChoice::Speed38400);
    EXPECT_EQ(under.core->Settings().useOwnFile, 0);
    EXPECT_TRUE(under.core->Settings().ownFilePath.empty());
}

TEST(UpdaterDialogCore, SpecialSettingsSetTakesTheValuesAndReloadsTheImage) {
    const struct {
        const char* name;
        bool fileValid;
        const char* expectedCaptionEnd;
    } cases[] = {
        {"valid file", true, "Ver. V9.01"},
        {"invalid file", false, "Ver. Invalid Firm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageRecorder recorder;
        FrontOptions options = WithSpecialSettings();
        const bool fileValid = c.fileValid;
        options.imageLoader = [fileValid](FirmwareImage& image, const ImageFile& file,
                                          ImageLoadForm form) {
            return (!file || fileValid) && LoadSmallImage(image, file, form);
        };
        CoreUnderTest under(options);
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

        const UserSettings& settings = under.core->Settings();
        EXPECT_EQ(settings.speedChoice, SpeedChoice::Speed57600);
        EXPECT_EQ(settings.stopBits, 1);
        EXPECT_EQ(settings.unencrypted, 1);
        EXPECT_EQ(settings.useOwnFile, 1);
        ASSERT_EQ(under.loads.size(), 2u);
        EXPECT_EQ(under.loads[1].file, settings.ownFilePath);
        EXPECT_EQ(under.loads[1].form, ImageLoadForm::SpecialSettings);
        EXPECT_TRUE(under.window.caption.ends_with(c.expectedCaptionEnd));
        EXPECT_EQ(under.core->ImageValid(), c.fileValid);
        EXPECT_EQ(under.window.Enabled(DialogControl::Write), c.fileValid);
        EXPECT_TRUE(under.window.Enabled(DialogControl::Exit));
        EXPECT_EQ(recorder.messages.size(), c.fileValid ? 0u : 1u);
    }
}

TEST(UpdaterDialogCore, UntickingTheOwnFileKeepsItsPathButLoadsTheBuiltInImageAgain) {
    MessageRecorder recorder;
    FrontOptions options = WithSpecialSettings();
    // The own file is no image; the built-in one is.
    options.imageLoader = [](FirmwareImage& image, const ImageFile& file, ImageLoadForm form) {
        return !file && LoadSmallImage(image, file, form);
    };
    CoreUnderTest under(options);
    under.core->OnInitDialog();
    under.window.specialSettings = [](UserSettings& settings) {
        settings.ownFilePath = "/home/tech/image.mot";
        settings.useOwnFile = 1;
        return true;
    };
    under.core->OnSpecialSettings();
    ASSERT_FALSE(under.core->ImageValid());

    under.window.specialSettings = [](UserSettings& settings) {
        EXPECT_EQ(settings.useOwnFile, 1);  // handed in ticked
        settings.useOwnFile = 0;
        return true;
    };
    under.core->OnSpecialSettings();
    ASSERT_EQ(under.loads.size(), 3u);
    EXPECT_EQ(under.loads[2].file, std::nullopt);  // the built-in image
    EXPECT_EQ(under.core->Settings().ownFilePath, "/home/tech/image.mot");
    EXPECT_TRUE(under.core->ImageValid());
    EXPECT_EQ(under.window.caption, "Updater for VM-5160/VM-6160         Ver. V9.01");
    EXPECT_TRUE(under.window.Enabled(DialogControl::Write));
    EXPECT_EQ(recorder.messages.size(), 1u);  // only the own file was refused
}

}  // namespace
}  // namespace updater
