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
#include "cli/ExitStatus.h"
#include "cli/ImageLoading.h"
#include "cli/JsonReports.h"
#include "cli/PartlyWrittenText.h"
#include "cli/PortRefusal.h"
#include "cli/ProgressLine.h"
#include "cli/ReportOutput.h"
#include "cli/ShownText.h"
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

// The window's messages, question and progress bar, on the terminal.
class TerminalHost : public UpdateHost {
  public:
    TerminalHost(bool confirmInAdvance, SignalGuard& signals)
        : signals_(signals),
          confirmInAdvance_(confirmInAdvance),
          barOnTerminal_(isatty(STDOUT_FILENO) == 1),
          askOnTerminal_(isatty(STDIN_FILENO) == 1) {}
    ~TerminalHost() override {
        if (openedTerminal_ != nullptr) std::fclose(openedTerminal_);
    }
    TerminalHost(const TerminalHost&) = delete;
    TerminalHost& operator=(const TerminalHost&) = delete;

    // The range is set once, right before the first step that changes the radio.
    void SetProgressRange(int maximum) override {
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

  private:
    // On the output, and where the person answering reads it if that is elsewhere.
    void ToPerson(const std::string& text) {
        std::cout << text << std::flush;
        if (question_ == nullptr) question_ = QuestionOutput(openedTerminal_);
        if (question_ == stdout) return;
        std::fputs(text.c_str(), question_);
        std::fflush(question_);
    }

    int Ask() {
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

// Says why the port did not open, beyond the window's text, where the system told us.
void ExplainOpenFailure(const LinkPort& link, const UpdateOutcome& outcome) {
    if (outcome.detail.empty()) return;
    std::cerr << "updater-cli: " << Shown(link.PortName()) << ": " << Shown(outcome.detail) << '\n';
}

// The same device under two names (a link in /dev/serial/by-id and its target) is the same
// radio twice.
std::string SameDevice(const std::string& port) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(port, error);
    return error ? port : resolved.string();
}

// The trace file of a port inside a --log directory: the port's name without /dev/, every
// character that a file name may not hold replaced.
std::string TraceNameFor(const std::string& port) {
    std::string name = port.rfind("/dev/", 0) == 0 ? port.substr(5) : port;
    for (char& c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!plain) c = '_';
    }
    return name + ".trace";
}

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::u8path(path), error);
}

// Where the trace of a port goes: for a bench into the --log directory, one file a radio; for
// one radio into the --log file itself.
std::string TracePathFor(const std::string& log, const std::string& port, bool bench) {
    if (!bench) return log;
    const bool separated = !log.empty() && (log.back() == '/' || log.back() == '\\');
    return log + (separated ? "" : "/") + TraceNameFor(port);
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
            if (!options.log.empty() && options.ports.size() > 1 &&
                TraceNameFor(options.ports[i]) == TraceNameFor(options.ports[j])) {
                return "the ports " + options.ports[j] + " and " + options.ports[i] +
                       " would share the trace " + TraceNameFor(options.ports[i]);
            }
        }
    }
    if (options.ports.size() > 1 && !options.yes) {
        return "--yes is required with several --port: no radio of a bench can be asked";
    }
    if (options.ports.size() > 1 && !options.log.empty() && !IsDirectory(options.log)) {
        return "--log with several --port names a directory: each radio's trace goes into it "
               "as PORT.trace";
    }
    if (options.speed != 38400 && options.speed != 57600) return "--speed must be 38400 or 57600";
    if (options.stopBits != 1 && options.stopBits != 2) return "--stop-bits must be 1 or 2";
    return {};
}

// Where the update stopped, right below the window's message that said so, and why on the
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

    // Prints the report where it was asked for and returns status; a report that cannot be
    // written is told on the standard error and makes a status of 0 kExitOutput.
    int Finish(const nlohmann::json& report, int status) {
        if (report_ < 0) return status;
        std::cout.flush();
        std::fflush(stdout);
        if (WriteWhole(report_, JsonText(report))) return status;
        std::cerr << "updater-cli: cannot write the report on the standard output: "
                  << std::strerror(errno) << '\n';
        return status != 0 ? status : kExitOutput;
    }

  private:
    int report_ = -1;
};

// Opens the trace of every port, or says why one cannot be written.
std::string OpenTraces(const WriteOptions& options, std::vector<std::unique_ptr<TraceLog>>& logs) {
    if (options.log.empty()) return {};
    for (const std::string& port : options.ports) {
        const std::string path = TracePathFor(options.log, port, options.ports.size() > 1);
        logs.push_back(std::make_unique<TraceLog>(path));
        if (!logs.back()->Ok()) {
            return "updater-cli: cannot write the trace " + path + ": " + logs.back()->Problem();
        }
    }
    return {};
}

// The trace's loss is told once, and changes nothing of the update's own status.
void ShowTraceLosses(const std::vector<std::unique_ptr<TraceLog>>& logs) {
    for (const auto& log : logs) {
        if (!log->WriteProblem().empty()) {
            std::cerr << "updater-cli: the trace is incomplete: " << log->WriteProblem() << " ("
                      << Shown(log->Path()) << ")\n";
        }
    }
}

int RunWrite(const WriteOptions& options) {
    JsonOutput json(options.json);
    if (options.json && !json.Ready()) {
        std::cerr << "updater-cli: cannot set the standard output apart for --json\n";
        return kExitUsage;
    }
    // A command that ends before its work says why, and with --json in JSON too.
    auto fail = [&json](int status, const std::string& text) {
        std::cerr << Shown(text) << '\n';
        return json.Finish(ErrorJson(text, status), status);
    };
    if (const std::string problem = UsageProblem(options); !problem.empty()) {
        return fail(kExitUsage, "updater-cli write: " + problem);
    }
    FirmwareImage image;
    if (std::string problem; !LoadImageOrExplain(options.file, image, &problem)) {
        return json.Finish(ErrorJson(problem, kExitInvalidImage), kExitInvalidImage);
    }
    // The user's own file is told about before the question, as info tells it.
    if (!options.file.empty()) ShowImageWarnings(image);
    for (const std::string& port : options.ports) {
        if (const std::string refusal = PortRefusal(port); !refusal.empty()) {
            return fail(kExitPortOpen, "updater-cli: the port " + port + " is refused: " + refusal);
        }
    }

    UpdateSettings settings;
    settings.speedChoice =
        options.speed == 57600 ? SpeedChoice::Speed57600 : SpeedChoice::Speed38400;
    settings.stopBits = options.stopBits;
    settings.unencrypted = options.unencrypted ? 1 : 0;

    std::vector<std::unique_ptr<TraceLog>> logs;
    if (const std::string problem = OpenTraces(options, logs); !problem.empty()) {
        return fail(kExitUsage, problem);
    }
    if (options.ports.size() > 1) {
        std::vector<TraceWriter*> traces;
        for (const auto& log : logs) traces.push_back(log.get());
        std::vector<UpdateOutcome> outcomes;
        const int status = RunBenchWrite(options.ports, image, settings, traces, outcomes);
        ShowTraceLosses(logs);
        if (outcomes.empty())
            return json.Finish(ErrorJson("no port could be used", status), status);
        nlohmann::json report = nlohmann::json::array();
        for (size_t i = 0; i < outcomes.size(); ++i) {
            report.push_back(
                OutcomeJson(options.ports[i], outcomes[i], ExitStatusFor(outcomes[i])));
        }
        return json.Finish(report, status);
    }
    const std::string& port = options.ports.front();
    LinkPort link;
    if (link.SetPortName(port) != 1) {
        return fail(kExitUsage, "updater-cli: cannot use the port name " + port);
    }
    SignalGuard signals({&link});
    TerminalHost host(options.yes, signals);
    std::cout << "Searching for the radio on " << Shown(port) << "..." << std::endl;
    UpdateOutcome outcome =
        RunTracedUpdate(link, host, image, settings, logs.empty() ? nullptr : logs.front().get());
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
    ShowTraceLosses(logs);
    return json.Finish(nlohmann::json::array({OutcomeJson(port, outcome, status)}), status);
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
                      "to this file: a new one, an empty one or an earlier trace; with several "
                      "--port, into this directory, one PORT.trace for each radio");
    write->footer(kExitStatusTable);

    return [options] { return RunWrite(*options); };
}

}  // namespace updater::cli
