// updater-cli write: the whole update of the Write button, with the window's texts on the
// terminal, a progress bar, and an exit status that tells every outcome apart.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/AnswerLine.h"
#include "cli/BenchWrite.h"
#include "cli/Commands.h"
#include "cli/ImageLoading.h"
#include "cli/JsonReports.h"
#include "cli/ProgressLine.h"
#include "cli/SignalGuard.h"
#include "cli/TraceLog.h"
#include "image/FirmwareImage.h"
#include "link/LinkPort.h"
#include "link/PortProbe.h"
#include "protocol/Messages.h"
#include "protocol/ResultCodes.h"
#include "protocol/TracedUpdate.h"
#include "protocol/Update.h"
#include "protocol/UpdateHost.h"

namespace updater::cli {

namespace {

enum ExitStatus {
    kExitOk = 0,
    kExitInvalidImage = 1,
    kExitCancelled = 3,
    kExitPortOpen = 4,
    kExitNoLink = 5,
    kExitModel = 6,
    kExitCommand = 7,
    kExitPortClose = 8,
    kExitFailedWithoutCode = 9,
};

constexpr const char* kExitStatusTable =
    "Exit status:\n"
    "  0  writing completed\n"
    "  1  the image is not valid for this model\n"
    "  2  usage error (a bad option or value, an empty --port, --file or --log, the same\n"
    "     port twice, a --log that is not a regular file); no port is opened\n"
    "  3  cancelled at the version confirmation (the radio is left unwritten), or stopped by\n"
    "     a signal (SIGINT, SIGQUIT, SIGTERM, SIGHUP; while the radio is written only a second\n"
    "     Ctrl+C stops it)\n"
    "  4  the port cannot be opened\n"
    "  5  no radio answered on the line\n"
    "  6  the radio is of another model or market\n"
    "  7  a command or its answer failed\n"
    "  8  the port could not be closed\n"
    "  9  the update failed without a result code\n"
    "With several --port: 0 when every radio was written, otherwise the status of the first\n"
    "failing port in the order given.\n"
    "A radio whose writing began and did not complete is reported as partly written: it must\n"
    "be written again before use.";

int ExitStatusFor(const UpdateOutcome& outcome) {
    if (outcome.result == 1) return kExitOk;
    if (outcome.stoppedBy != 0) return kExitCancelled;
    switch (outcome.code) {
        case ERR_CANCELLED:
            return kExitCancelled;
        case ERR_PORT_OPEN:
            return kExitPortOpen;
        case ERR_NO_LINK:
            return kExitNoLink;
        case ERR_MODEL:
            return kExitModel;
        case ERR_COMMAND:
            return kExitCommand;
        case ERR_PORT_CLOSE:
            return kExitPortClose;
        default:
            return kExitFailedWithoutCode;
    }
}

// Bytes from the radio end up in the confirmation text: keep terminal control out of it.
std::string Printable(const std::string& text) {
    std::string shown = text;
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (c != '\n' && (byte < 0x20 || byte > 0x7E)) c = '?';
    }
    return shown;
}

struct WriteOptions {
    std::vector<std::string> ports;
    std::string file;
    int speed = 38400;
    int stopBits = 2;
    bool unencrypted = false;
    bool yes = false;
    bool json = false;
    std::string log;
};

// The window's messages, question and progress bar, on the terminal.
class TerminalHost : public UpdateHost {
  public:
    TerminalHost(bool confirmInAdvance, SignalGuard& signals)
        : signals_(signals),
          confirmInAdvance_(confirmInAdvance),
          barOnTerminal_(isatty(STDOUT_FILENO) == 1),
          askOnTerminal_(isatty(STDIN_FILENO) == 1) {}

    // The range is set once, right before the first step that changes the radio.
    void SetProgressRange(int maximum) override {
        if (!changing_) signals_.RadioChangeStarted();
        changing_ = true;
        maximum_ = maximum;
        lastShown_ = -1;
        progressLine_.Start(maximum);
    }

    void SetProgressPosition(int position) override {
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

    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override {
        EndBarLine();
        // Stopped by the user: the failure that follows is the stop, already reported.
        if (signals_.StoppedBy() != 0) return ID_CANCEL;
        // A text of several lines starts on a line of its own, below its caption.
        const std::string shown =
            caption + (text.find('\n') != std::string::npos ? ":\n" : ": ") + Printable(text);
        if (style == MB_OK_STOP) {
            std::cerr << shown << std::endl;
            return ID_OK;
        }
        std::cout << shown << std::endl;
        if (style != MB_OKCANCEL_EXCLAMATION && style != MB_OKCANCEL_QUESTION) return ID_OK;
        return Ask();
    }

  private:
    int Ask() {
        if (confirmInAdvance_) {
            std::cout << "(confirmed by --yes)" << std::endl;
            return ID_OK;
        }
        if (!askOnTerminal_) {
            std::cerr << "updater-cli: cannot ask for confirmation: the input is not a "
                         "terminal; answering Cancel (pass --yes to confirm in advance)"
                      << std::endl;
            return ID_CANCEL;
        }
        std::cout << "Continue? [y/N] " << std::flush;
        // A signal ends the wait as well: the question never outlives a stop.
        const std::optional<std::string> answer = ReadAnswerLine(signals_);
        if (!answer) {
            std::cout << std::endl;
            return ID_CANCEL;
        }
        return (*answer == "y" || *answer == "Y" || *answer == "yes") ? ID_OK : ID_CANCEL;
    }

    void EndBarLine() { progressLine_.End(); }

    SignalGuard& signals_;
    const bool confirmInAdvance_;
    const bool barOnTerminal_;
    const bool askOnTerminal_;
    int maximum_ = 0;
    int lastShown_ = -1;
    bool outputClosed_ = false;
    bool changing_ = false;
    ProgressLine progressLine_{stdout};
};

constexpr const char* kPartlyWritten =
    "the radio was partly written and must be written again before use.";

// Says why the port did not open, beyond the window's text, where the system told us.
void ExplainOpenFailure(const LinkPort& link, const UpdateOutcome& outcome) {
    if (outcome.detail.empty()) return;
    std::cerr << "updater-cli: " << link.PortName() << ": " << outcome.detail << '\n';
}

// The same device under two names (a link in /dev/serial/by-id and its target) is the same
// radio twice.
std::string SameDevice(const std::string& port) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(port, error);
    return error ? port : resolved.string();
}

// An empty text when the options can be used, else what is wrong with them.
std::string UsageProblem(const WriteOptions& options) {
    if (options.ports.empty()) return "--port is required";
    for (size_t i = 0; i < options.ports.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (options.ports[i] == options.ports[j] ||
                SameDevice(options.ports[i]) == SameDevice(options.ports[j])) {
                return "the port " + options.ports[i] + " is given twice: one radio is " +
                       "written once";
            }
        }
    }
    if (options.ports.size() > 1 && !options.yes) {
        return "--yes is required with several --port: no radio of a bench can be asked";
    }
    if (options.ports.size() > 1 && !options.log.empty()) {
        return "--log traces one radio: give one --port with it";
    }
    if (options.speed != 38400 && options.speed != 57600) return "--speed must be 38400 or 57600";
    if (options.stopBits != 1 && options.stopBits != 2) return "--stop-bits must be 1 or 2";
    return {};
}

// Where the update stopped, right below the system's message that said so, and why on the
// line after it (a port that did not open says why with its name).
void ShowFailedStep(const UpdateOutcome& outcome) {
    if (outcome.result == 1 || outcome.cancelled() || outcome.failedStep.empty()) return;
    std::cerr << "updater-cli: failed at " << outcome.FailedStepText() << '\n';
    if (outcome.code != ERR_PORT_OPEN) std::cerr << "updater-cli: " << outcome.ReasonText() << '\n';
}

// With --json the report alone goes to the standard output: everything else the verb prints
// goes to the standard error for as long as this lives.
class JsonOutput {
  public:
    explicit JsonOutput(bool wanted) {
        if (!wanted) return;
        std::fflush(stdout);
        report_ = ::dup(STDOUT_FILENO);
        if (report_ >= 0 && ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
            ::close(report_);
            report_ = -1;
        }
    }
    ~JsonOutput() {
        if (report_ < 0) return;
        std::cout.flush();
        std::fflush(stdout);
        ::dup2(report_, STDOUT_FILENO);
        ::close(report_);
    }
    JsonOutput(const JsonOutput&) = delete;
    JsonOutput& operator=(const JsonOutput&) = delete;

    // False when the report could not be set apart; the caller then prints nothing.
    bool Ready() const { return report_ >= 0; }

    void Print(const nlohmann::json& report) {
        if (report_ < 0) return;
        std::cout.flush();
        std::fflush(stdout);
        const std::string text =
            report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
        size_t sent = 0;
        while (sent < text.size()) {
            const auto n = ::write(report_, text.data() + sent, text.size() - sent);
            if (n <= 0) break;  // a closed output loses the report, not the write
            sent += static_cast<size_t>(n);
        }
    }

  private:
    int report_ = -1;
};

int RunWrite(const WriteOptions& options) {
    if (const std::string problem = UsageProblem(options); !problem.empty()) {
        std::cerr << "updater-cli write: " << problem << '\n';
        return kExitUsage;
    }
    FirmwareImage image;
    if (!LoadImageOrExplain(options.file, image)) return kExitInvalidImage;

    UpdateSettings settings;
    settings.speedChoice =
        options.speed == 57600 ? SpeedChoice::Speed57600 : SpeedChoice::Speed38400;
    settings.stopBits = options.stopBits;
    settings.unencrypted = options.unencrypted ? 1 : 0;

    JsonOutput json(options.json);
    if (options.json && !json.Ready()) {
        std::cerr << "updater-cli: cannot set the standard output apart for --json\n";
        return kExitUsage;
    }
    if (options.ports.size() > 1) {
        std::vector<UpdateOutcome> outcomes;
        const int status = RunBenchWrite(options.ports, image, settings, ExitStatusFor, outcomes);
        nlohmann::json report = nlohmann::json::array();
        for (size_t i = 0; i < outcomes.size(); ++i) {
            report.push_back(
                OutcomeJson(options.ports[i], outcomes[i], ExitStatusFor(outcomes[i])));
        }
        json.Print(report);
        return status;
    }
    const std::string& port = options.ports.front();
    LinkPort link;
    if (link.SetPortName(port) != 1) {
        std::cerr << "updater-cli: cannot use the port name " << port << '\n';
        return kExitUsage;
    }
    std::unique_ptr<TraceLog> log;
    if (!options.log.empty()) {
        log = std::make_unique<TraceLog>(options.log);
        if (!log->Ok()) {
            std::cerr << "updater-cli: cannot write the trace " << options.log << ": "
                      << log->Problem() << '\n';
            return kExitUsage;
        }
    }
    SignalGuard signals({&link});
    TerminalHost host(options.yes, signals);
    std::cout << "Searching for the radio on " << port << "..." << std::endl;
    UpdateOutcome outcome = RunTracedUpdate(link, host, image, settings, log.get());
    NoteStop(outcome, signals.StoppedBy(), link.StopCause());
    host.SetProgressPosition(-1);
    const int status = signals.StoppedBy() != 0 ? kExitCancelled : ExitStatusFor(outcome);
    if (signals.StoppedBy() != 0) {
        std::cerr << "updater-cli: the port is closed.\n";
    } else {
        ShowFailedStep(outcome);
        if (outcome.code == ERR_PORT_OPEN) ExplainOpenFailure(link, outcome);
    }
    if (outcome.partlyWritten()) std::cerr << "updater-cli: " << kPartlyWritten << '\n';
    // The trace's loss is told once, and changes nothing of the update's own status.
    if (log != nullptr && !log->WriteProblem().empty()) {
        std::cerr << "updater-cli: the trace is incomplete: " << log->WriteProblem() << '\n';
    }
    json.Print(nlohmann::json::array({OutcomeJson(port, outcome, status)}));
    return status;
}

}  // namespace

Handler AddWriteCommand(CLI::App& app) {
    auto options = std::make_shared<WriteOptions>();
    CLI::App* write =
        app.add_subcommand("write", "Write the firmware image into the radio on a serial port.");
    // The values are checked by the verb itself, so that every usage error exits with 2.
    write->add_option("--port", options->ports,
                      "serial port of the programming cable (required); give it once for each "
                      "radio to write several at once (then --yes is required)");
    write->add_option("--file", options->file,
                      "an image file of your own (scrambled S-record text) instead of the "
                      "embedded image");
    write->add_option("--speed", options->speed, "transfer speed in bit/s: 38400 or 57600")
        ->capture_default_str();
    write->add_option("--stop-bits", options->stopBits, "stop bits on the line: 1 or 2")
        ->capture_default_str();
    write->add_flag("--unencrypted", options->unencrypted, "leave the serial traffic unscrambled");
    write->add_flag("--yes", options->yes, "confirm the version change in advance");
    write->add_flag("--json", options->json,
                    "print the outcome of every port as JSON on the standard output (the "
                    "other texts go to the standard error)");
    write->add_option("--log", options->log,
                      "write a timestamped trace of the session (every byte, setting and wait) "
                      "to this file: a new one, an empty one or an earlier trace");
    write->footer(kExitStatusTable);

    return [options] { return RunWrite(*options); };
}

}  // namespace updater::cli
