#pragma once
// The host of an update that runs away from the window's thread, transfer passes included:
// progress, messages and steps go to the window, which shows them on its own thread.

#include <string>

#include "front/UpdaterWindow.h"
#include "protocol/UpdateHost.h"

namespace updater {

class WindowUpdateHost : public UpdateHost {
  public:
    explicit WindowUpdateHost(UpdaterWindow& window) : window_(window) {}

    void SetProgressRange(int maximum) override { window_.SetProgressRange(maximum); }
    void SetProgressPosition(int position) override { window_.SetProgressPosition(position); }
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override {
        return window_.ShowMessage(text, caption, style);
    }
    void ShowStep(const std::string& step) override { window_.ShowStep(step); }

  private:
    UpdaterWindow& window_;
};

}  // namespace updater
