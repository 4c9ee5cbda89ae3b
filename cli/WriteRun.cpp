#include "cli/WriteRun.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/BenchWrite.h"
#include "cli/ExitStatus.h"
#include "cli/ImageLoading.h"
#include "cli/JsonOutput.h"
#include "cli/JsonReports.h"
#include "cli/PartlyWrittenText.h"
#include "cli/PortRefusal.h"
#include "cli/ReportOutput.h"
#include "cli/ShownText.h"
#include "cli/SignalGuard.h"
#include "cli/TerminalHost.h"
#include "cli/TraceLog.h"
#include "image/FirmwareImage.h"
#include "link/LinkPort.h"
#include "protocol/ResultCodes.h"
#include "protocol/TracedUpdate.h"
#include "protocol/Update.h"

namespace updater::cli {

namespace {

// Says why the port did not open, beyond the window's text, where the system told us.
void ExplainOpenFailure(const LinkPort& link, const UpdateOutcome& outcome) {
    if (outcome.detail.empty()) return;
    std::cerr << "updater-cli: " << Shown(link.PortName()) << ": " << Shown(outcome.detail) << '\n';
}

// Where the update stopped, right below the window's message that said so, and why on the
// line after it (a port that did not open says why with its name).
void ShowFailedStep(const UpdateOutcome& outcome) {
    if (outcome.result == 1 || outcome.cancelled() || outcome.failedStep.empty()) return;
    std::cerr << "updater-cli: failed at " << outcome.FailedStepText() << '\n';
    if (outcome.code != ERR_PORT_OPEN) std::cerr << "updater-cli: " << outcome.ReasonText() << '\n';
}

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

}  // namespace

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

}  // namespace updater::cli
