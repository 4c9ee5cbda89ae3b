#pragma once
// A main window without a toolkit for the front layer's tests: it keeps what the core shows
// (caption, enabled and shown controls, port list, banner) and records the order of events,
// answers message boxes through the front layer's hook (tests/support/MessageRecorder.h), and
// runs the update on a thread of its own without serving anything meanwhile.

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "front/MessageHook.h"
#include "front/StatusBannerText.h"
#include "front/UpdaterWindow.h"
#include "protocol/UpdateHost.h"

namespace updater::testing {

class RecordingWindow : public UpdaterWindow {
  public:
    // Called for Special Settings; returns whether the user pressed "Set". Empty: Cancel.
    std::function<bool(UserSettings&)> specialSettings;
    // What reaches the window's thread while an update runs on its own (a device plugged in).
    std::function<void()> whileServing;
    // What reaches the window's thread while the banner shows, the start-up scan running.
    std::function<void()> whileBannerShown;

    std::string caption;
    std::map<DialogControl, bool> enabled;
    std::map<DialogControl, bool> shown;
    bool closeCommandEnabled = true;
    std::vector<PortInfo> ports;
    int selectedPort = -1;
    bool bannerUp = false;
    bool waitCursor = false;
    bool ended = false;
    // "Save trace of the last update…": its state, and the save dialog (empty: cancelled).
    bool traceSavingEnabled = false;
    std::function<std::string()> traceFileChooser;
    std::string suggestedTraceName;
    // "banner shown: <title>|<status>", "ports filled", "input discarded", "banner hidden", ...
    std::vector<std::string> events;

    bool Enabled(DialogControl control) const {
        const auto it = enabled.find(control);
        return it == enabled.end() || it->second;  // controls start enabled
    }

    std::vector<int> Positions() {
        std::lock_guard lock(mutex_);
        return positions_;
    }

    void SetCaption(const std::string& text) override { caption = text; }
    void EnableControl(DialogControl control, bool on) override { enabled[control] = on; }
    void ShowControl(DialogControl control, bool on) override { shown[control] = on; }
    void EnableCloseCommand(bool on) override { closeCommandEnabled = on; }
    void FillPortList(const std::vector<PortInfo>& entries) override {
        ports = entries;
        selectedPort = -1;
        events.push_back("ports filled");
    }
    void SelectPort(int index) override { selectedPort = index; }
    int SelectedPort() const override { return selectedPort; }
    void ShowStatusBanner() override {
        if (!BannerEnabled()) return;
        bannerUp = true;
        const BannerTexts& texts = CurrentBannerTexts();
        events.push_back("banner shown: " + texts[0] + "|" + texts[1]);
        if (whileBannerShown) whileBannerShown();
    }
    void HideStatusBanner() override {
        bannerUp = false;
        events.push_back("banner hidden");
    }
    void ShowWaitCursor(bool on) override {
        waitCursor = on;
        events.push_back(on ? "wait cursor" : "arrow cursor");
    }
    void DiscardInput() override { events.push_back("input discarded"); }
    void EnableTraceSaving(bool on) override { traceSavingEnabled = on; }
    std::string ChooseTraceFile(const std::string& suggestedName) override {
        suggestedTraceName = suggestedName;
        return traceFileChooser ? traceFileChooser() : std::string();
    }
    bool RunSpecialSettings(UserSettings& settings) override {
        return specialSettings ? specialSettings(settings) : false;
    }
    void EndDialog() override { ended = true; }

    void SetProgressRange(int) override {}
    void SetProgressPosition(int position) override {
        std::lock_guard lock(mutex_);
        positions_.push_back(position);
    }
    int ShowMessage(const std::string& text, const std::string& title, unsigned style) override {
        return HookedAnswer(text, title, style).value_or(ID_OK);
    }
    void ShowStep(const std::string& step) override {
        std::lock_guard lock(mutex_);
        steps_.push_back(step);
    }
    std::vector<std::string> Steps() {
        std::lock_guard lock(mutex_);
        return steps_;
    }
    // Runs the work on a thread of its own, as a window does, and waits for it.
    void RunWhileServing(const std::function<void()>& work) override {
        events.push_back("update started");
        std::thread worker(work);
        if (whileServing) whileServing();
        worker.join();
        events.push_back("update returned");
    }

  private:
    std::mutex mutex_;
    std::vector<int> positions_;
    std::vector<std::string> steps_;
};

}  // namespace updater::testing
