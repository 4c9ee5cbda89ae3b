#include "cli/BenchWrite.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "cli/ExitStatus.h"
#include "cli/PartlyWrittenText.h"
#include "cli/ProgressLine.h"
#include "cli/ShownText.h"
#include "cli/SignalGuard.h"
#include "link/LinkPort.h"
#include "protocol/Messages.h"
#include "protocol/TracedUpdate.h"
#include "protocol/UpdateHost.h"

namespace updater::cli {

namespace {

using Clock = std::chrono::steady_clock;

// A radio that a stop reached before its writing began: its memory is as it was.
constexpr const char* kNotStarted = "not started (stopped)";

// A radio's time from its search to its result.
std::string TookText(Clock::duration took) {
    return DurationText(std::chrono::duration_cast<std::chrono::seconds>(took));
}

// One radio's line of the bench.
struct Row {
    std::string port;
    std::string step = "searching for the radio";
    int done = 0;
    int total = 0;
    Clock::time_point start = Clock::now();
    Clock::time_point writeStart{};
    std::string result;  // the update's closing message
    Clock::duration took{};
};

// Every radio's state and the one place that prints it; the update threads report to it.
class BenchDisplay {
  public:
    BenchDisplay(const std::vector<std::string>& ports, bool terminal) : terminal_(terminal) {
        for (const auto& port : ports) {
            Row row;
            row.port = port;
            rows_.push_back(row);
        }
        std::lock_guard lock(mutex_);
        for (size_t radio = 0; radio < rows_.size(); ++radio) Show(radio, rows_[radio].step);
    }

    void Step(size_t radio, const std::string& step) {
        std::lock_guard lock(mutex_);
        rows_[radio].step = step;
        Show(radio, step);
    }

    void Range(size_t radio, int total) {
        std::lock_guard lock(mutex_);
        rows_[radio].total = total;
        rows_[radio].writeStart = Clock::now();
        rows_[radio].step = "writing";
        Show(radio, "writing " + std::to_string(total) + " blocks");
    }

    void Position(size_t radio, int done) {
        std::lock_guard lock(mutex_);
        Row& row = rows_[radio];
        const int before = row.total > 0 ? row.done * 10 / row.total : 0;
        // The top area may report more blocks than the range counts: the bar stops at full.
        row.done = std::min(done, row.total);
        const int now = row.total > 0 ? row.done * 10 / row.total : 0;
        if (terminal_) {
            // Blocks come by the thousand: the table is drawn a few times a second at most.
            if (Clock::now() - lastDraw_ >= std::chrono::milliseconds(200)) Draw();
        } else if (now != before) {
            Show(radio, "progress " + std::to_string(now * 10) + "%");
        }
    }

    void Finished(size_t radio, const std::string& result) {
        std::lock_guard lock(mutex_);
        Row& row = rows_[radio];
        row.result = result;
        row.took = Clock::now() - row.start;
        row.step = "done";
        Show(radio, result);
    }

    const std::vector<Row>& Rows() const { return rows_; }

  private:
    // Plain output: one prefixed line per event. On a terminal: the whole table again.
    void Show(size_t radio, const std::string& event) {
        if (terminal_) {
            Draw();
            return;
        }
        std::printf("[%s] %s\n", Shown(rows_[radio].port).c_str(), Shown(event).c_str());
        std::fflush(stdout);
    }

    void Draw() {
        if (drawn_) std::printf("\x1b[%zuA", rows_.size());
        for (const Row& row : rows_) std::printf("\r\x1b[K%s\n", Line(row).c_str());
        std::fflush(stdout);
        drawn_ = true;
        lastDraw_ = Clock::now();
    }

    static std::string Line(const Row& row) {
        std::string line = Shown(row.port) + "  ";
        if (!row.result.empty()) return line + Shown(row.result);
        if (row.total <= 0) return line + row.step + "...";
        constexpr int kWidth = 20;
        const ProgressFigures figures =
            EstimateProgress(row.done, row.total, Clock::now() - row.writeStart);
        line += BarText(figures.done, figures.total, kWidth) + " " +
                std::to_string(figures.done * 100 / figures.total) + "%";
        if (figures.left) line += "  " + DurationText(*figures.left) + " left";
        return line;
    }

    std::mutex mutex_;
    const bool terminal_;
    bool drawn_ = false;
    Clock::time_point lastDraw_{};
    std::vector<Row> rows_;
};

// The window's messages for one radio of the bench: the version question is answered yes
// (a bench runs only with --yes), the closing message becomes the radio's result.
class BenchHost : public UpdateHost {
  public:
    BenchHost(BenchDisplay& display, size_t radio, SignalGuard& signals)
        : display_(display), radio_(radio), signals_(signals) {}

    void SetProgressRange(int maximum) override { display_.Range(radio_, maximum); }
    void SetProgressPosition(int position) override {
        if (position >= 0) display_.Position(radio_, position);
    }
    int ShowMessage(const std::string& text, const std::string&, unsigned style) override {
        if (style == MB_OKCANCEL_EXCLAMATION || style == MB_OKCANCEL_QUESTION) {
            // Past this answer the radio is changed; after a stop it is left as it is.
            changing_ = signals_.StartChange(radio_);
            return changing_ ? ID_OK : ID_CANCEL;
        }
        lastMessage_ = text;
        return ID_OK;
    }
    void UpdateEnded() {
        if (changing_) signals_.ChangeEnded(radio_);
        changing_ = false;
    }
    const std::string& LastMessage() const { return lastMessage_; }

  private:
    BenchDisplay& display_;
    const size_t radio_;
    SignalGuard& signals_;
    bool changing_ = false;
    std::string lastMessage_;
};

// The general failure text is two lines; in a table it reads as one.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n') c = ' ';
    }
    return text;
}

void PrintSummary(const std::vector<Row>& rows, const std::vector<UpdateOutcome>& outcomes,
                  const std::string& imageVersion) {
    const std::string shownImageVersion = Shown(imageVersion);
    std::printf("\n%-24s %-10s %-24s %-7s %-22s %s\n", "port", "model", "version", "time",
                "failed step", "result");
    for (size_t i = 0; i < rows.size(); ++i) {
        const UpdateOutcome& outcome = outcomes[i];
        const std::string before = outcome.radioVersion.empty() ? "?" : Shown(outcome.radioVersion);
        // A radio whose writing began is never "unchanged": it may not start until written.
        const std::string version = outcome.result == 1       ? before + " -> " + shownImageVersion
                                    : outcome.partlyWritten() ? before + " (interrupted)"
                                                              : before + " (unchanged)";
        // A cancel is the user's, not a failure of the step that asked; nor is a stop that
        // came before the radio was written.
        const bool failed =
            outcome.result != 1 && !outcome.cancelled() && rows[i].result != kNotStarted;
        std::printf("%-24s %-10s %-24s %-7s %-22s %s\n", Shown(rows[i].port).c_str(),
                    outcome.radioModel.empty() ? "?" : Shown(outcome.radioModel).c_str(),
                    outcome.radioVersion.empty() ? "-" : version.c_str(),
                    TookText(rows[i].took).c_str(),
                    failed && !outcome.failedStep.empty() ? outcome.failedStep.c_str() : "-",
                    Shown(OneLine(rows[i].result)).c_str());
    }
    std::fflush(stdout);
}

}  // namespace

int RunBenchWrite(const std::vector<std::string>& ports, const FirmwareImage& image,
                  const UpdateSettings& settings, const std::vector<TraceWriter*>& traces,
                  std::vector<UpdateOutcome>& outcomes) {
    const size_t radios = ports.size();
    std::vector<std::unique_ptr<LinkPort>> links;
    std::vector<SerialPort*> guarded;
    for (const auto& port : ports) {
        links.push_back(std::make_unique<LinkPort>());
        if (links.back()->SetPortName(port) != 1) {
            std::fprintf(stderr, "updater-cli: cannot use the port name %s\n", Shown(port).c_str());
            return kExitUsage;
        }
        guarded.push_back(links.back().get());
    }
    SignalGuard signals(guarded);
    BenchDisplay display(ports, isatty(STDOUT_FILENO) == 1);
    std::vector<std::unique_ptr<BenchHost>> hosts;
    for (size_t i = 0; i < radios; ++i) {
        hosts.push_back(std::make_unique<BenchHost>(display, i, signals));
    }
    outcomes.assign(radios, UpdateOutcome{});
    std::vector<std::thread> updates;
    for (size_t i = 0; i < radios; ++i) {
        updates.emplace_back([&, i] {
            outcomes[i] = RunTracedUpdate(*links[i], *hosts[i], image, settings,
                                          i < traces.size() ? traces[i] : nullptr);
            hosts[i]->UpdateEnded();
            // A radio that failed on its own before the stop keeps its own reason.
            if (outcomes[i].reason.fault == LineFault::Stopped || outcomes[i].cancelled()) {
                NoteStop(outcomes[i], signals.InterruptedBy(), links[i]->StopCause());
            }
            std::string result = hosts[i]->LastMessage();
            if (outcomes[i].result != 1 && signals.StopRequested()) {
                result = outcomes[i].writeBegan ? "stopped" : kNotStarted;
            }
            // The reason follows the result; "not started" is the stop's own word already.
            if (const std::string why = outcomes[i].ReasonText();
                !why.empty() && result != kNotStarted) {
                result += " (" + why + ")";
            }
            if (outcomes[i].partlyWritten()) {
                result += std::string("; ") + kPartlyWrittenShort;
            }
            display.Finished(i, result);
        });
    }
    for (auto& update : updates) update.join();
    PrintSummary(display.Rows(), outcomes, image.VersionText());

    // A stop that left a radio unwritten is the stop's status, even where others completed.
    const bool allWritten = std::all_of(outcomes.begin(), outcomes.end(),
                                        [](const UpdateOutcome& o) { return o.result == 1; });
    if (signals.StoppedBy() != 0 || (signals.StopRequested() && !allWritten)) return kExitCancelled;
    for (const UpdateOutcome& outcome : outcomes) {
        if (const int status = ExitStatusFor(outcome); status != kExitOk) return status;
    }
    return kExitOk;
}

}  // namespace updater::cli
