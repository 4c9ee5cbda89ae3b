#include "cli/TerminalHost.h"

#include <unistd.h>

#include <iostream>
#include <optional>

#include "cli/AnswerLine.h"
#include "cli/ShownText.h"
#include "protocol/Messages.h"

namespace updater::cli {

namespace {

// Where the person who answers the version question reads it: the output where that is a
// terminal, else the error output where that is one, else the program's terminal. Never only a
// file that the output is redirected to while a person is there to see it.
std::FILE* QuestionOutput(std::FILE*& opened) {
    if (isatty(STDOUT_FILENO) == 1) return stdout;
    if (isatty(STDERR_FILENO) == 1) return stderr;
#ifdef _WIN32
    (void)opened;  // a console program's streams are its console or redirected
#else
    opened = std::fopen("/dev/tty", "we");
    if (opened != nullptr) return opened;
#endif
    return stdout;  // nobody to see it: the output's record is all there is
}

}  // namespace

TerminalHost::TerminalHost(bool confirmInAdvance, SignalGuard& signals)
    : signals_(signals),
      confirmInAdvance_(confirmInAdvance),
      barOnTerminal_(isatty(STDOUT_FILENO) == 1),
      askOnTerminal_(isatty(STDIN_FILENO) == 1) {}

TerminalHost::~TerminalHost() {
    if (openedTerminal_ != nullptr) std::fclose(openedTerminal_);
}

void TerminalHost::SetProgressRange(int maximum) {
    maximum_ = maximum;
    lastShown_ = -1;
    progressLine_.Start(maximum);
}

void TerminalHost::SetProgressPosition(int position) {
    if (position < 0) {
        EndBarLine();
        return;
    }
    if (outputClosed_) return;  // a closed pipe or terminal ends the display, not the write
    const int maximum = maximum_ > 0 ? maximum_ : 1;
    const int clamped = position > maximum ? maximum : position;
    const int percent = clamped * 100 / maximum;
    if (barOnTerminal_) {
        if (clamped == lastShown_) return;
        outputClosed_ = !progressLine_.Show(clamped);
        lastShown_ = clamped;
    } else {
        // Plain output: one line per tenth, so logs stay short.
        const int tenth = percent / 10;
        if (tenth == lastShown_) return;
        lastShown_ = tenth;
        std::printf("progress: %d%% (%d/%d)\n", percent, clamped, maximum_);
        outputClosed_ = std::fflush(stdout) != 0;
    }
}

int TerminalHost::ShowMessage(const std::string& text, const std::string& caption, unsigned style) {
    EndBarLine();
    // Stopped by the user: the failure that follows is the stop, already reported.
    if (signals_.StoppedBy() != 0) return ID_CANCEL;
    // A text of several lines starts on a line of its own, below its caption.
    const std::string shown =
        caption + (text.find('\n') != std::string::npos ? ":\n" : ": ") + Shown(text, true);
    if (style == MB_OK_STOP) {
        std::cerr << shown << std::endl;
        return ID_OK;
    }
    if (style != MB_OKCANCEL_EXCLAMATION && style != MB_OKCANCEL_QUESTION) {
        std::cout << shown << std::endl;
        return ID_OK;
    }
    ToPerson(shown + "\n");
    const int answer = Ask();
    // Past this answer the radio is changed; after a stop it is left as it is.
    if (answer == ID_OK && !signals_.StartChange(0)) return ID_CANCEL;
    return answer;
}

void TerminalHost::ToPerson(const std::string& text) {
    std::cout << text << std::flush;
    if (question_ == nullptr) question_ = QuestionOutput(openedTerminal_);
    if (question_ == stdout) return;
    std::fputs(text.c_str(), question_);
    std::fflush(question_);
}

int TerminalHost::Ask() {
    if (confirmInAdvance_) {
        ToPerson("(confirmed by --yes)\n");
        return ID_OK;
    }
    if (!askOnTerminal_) {
        std::cerr << "updater-cli: cannot ask for confirmation: the input is not a "
                     "terminal; answering Cancel (pass --yes to confirm in advance)"
                  << std::endl;
        return ID_CANCEL;
    }
    ToPerson("Continue? [y/N] ");
    // A signal ends the wait as well: the question never outlives a stop.
    const std::optional<std::string> answer = ReadAnswerLine(signals_);
    // The terminal echoed the answer; a redirected output keeps it too.
    if (question_ != stdout) std::cout << Shown(answer.value_or("")) << std::flush;
    if (!answer) {
        ToPerson("\n");
        return ID_CANCEL;
    }
    if (question_ != stdout) std::cout << std::endl;
    return (*answer == "y" || *answer == "Y" || *answer == "yes") ? ID_OK : ID_CANCEL;
}

}  // namespace updater::cli
