#pragma once
// The window's messages, question and progress bar of a single radio's write, on the terminal.

#include <cstdio>
#include <string>

#include "cli/ProgressLine.h"
#include "cli/SignalGuard.h"
#include "protocol/UpdateHost.h"

namespace updater::cli {

class TerminalHost : public UpdateHost {
  public:
    TerminalHost(bool confirmInAdvance, SignalGuard& signals);
    ~TerminalHost() override;
    TerminalHost(const TerminalHost&) = delete;
    TerminalHost& operator=(const TerminalHost&) = delete;

    // The range is set once, right before the first step that changes the radio.
    void SetProgressRange(int maximum) override;
    // A position below 0 ends the bar's line.
    void SetProgressPosition(int position) override;
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override;

  private:
    // On the output, and where the person answering reads it if that is elsewhere.
    void ToPerson(const std::string& text);
    int Ask();
    void EndBarLine() { progressLine_.End(); }

    SignalGuard& signals_;
    const bool confirmInAdvance_;
    const bool barOnTerminal_;
    const bool askOnTerminal_;
    int maximum_ = 0;
    int lastShown_ = -1;
    bool outputClosed_ = false;
    std::FILE* question_ = nullptr;
    std::FILE* openedTerminal_ = nullptr;
    ProgressLine progressLine_{stdout};
};

}  // namespace updater::cli
