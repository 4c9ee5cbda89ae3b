#include "protocol/Update.h"

#include "image/FirmwareImage.h"
#include "link/PortProbe.h"
#include "protocol/CheckSequence.h"
#include "protocol/Commands.h"
#include "protocol/Messages.h"
#include "protocol/ResultCodes.h"
#include "protocol/WriteSequence.h"

namespace updater {

bool UpdateOutcome::cancelled() const { return code == ERR_CANCELLED; }

std::string UpdateOutcome::ReasonText() const {
    if (result == 1) return {};
    if (reason.fault == LineFault::NotOpen && code == ERR_PORT_OPEN) {
        return "the port did not open" + (detail.empty() ? std::string() : ": " + detail);
    }
    return LineResultText(reason);
}

std::string UpdateOutcome::FailedStepText() const {
    if (failedStep.empty()) return {};
    std::string activity = failedActivity;
    if (!activity.empty() && activity[0] >= 'A' && activity[0] <= 'Z') activity[0] += 'a' - 'A';
    return failedStep + " (" + activity + ")";
}

void NoteStop(UpdateOutcome& outcome, int signal, const std::string& cause) {
    if (signal == 0 || outcome.result == 1) return;
    outcome.stoppedBy = signal;
    if (outcome.reason.fault != LineFault::Stopped) {
        outcome.reason = LineResult::Failed(LineFault::Stopped);
    }
    outcome.reason.stoppedBy = cause;
}

namespace {

// What the radio told of itself, where the check sequence got that far.
UpdateOutcome DescribeRadio(const UpdateContext& context) {
    UpdateOutcome outcome;
    if (context.identityReply[0] != 0) {
        // The model code's text part: its first eight bytes, without the padding blanks.
        std::string model(context.identityReply.begin(), context.identityReply.begin() + 8);
        for (char& c : model) {
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                c = '?';
        }
        outcome.radioModel = model.substr(0, model.find_last_not_of(' ') + 1);
    }
    if (context.radioVersion) {
        outcome.radioVersion = (*context.radioVersion)[0] == 0xFF
                                   ? std::string(kTextNoData)
                                   : VersionText(*context.radioVersion);
    }
    return outcome;
}

}  // namespace

UpdateOutcome RunUpdate(LinkPort& link, UpdateHost& host, const FirmwareImage& image,
                        const UpdateSettings& settings) {
    link.unencrypted = static_cast<uint8_t>(settings.unencrypted != 0 ? 1 : 0);
    link.stopBits = settings.stopBits;

    UpdateContext context{link, host, image, settings};
    context.progressPosition = 0;
    uint32_t code = 0;

    LineResult outcome = RunCheckSequence(context, &code);
    if (outcome && code != ERR_CANCELLED) {
        outcome = context.topAreaCurrent != 0 ? RunShortWriteSequence(context, &code)
                                              : RunFullWriteSequence(context, &code);
    }

    UpdateOutcome report = DescribeRadio(context);
    report.writeBegan = context.writeBegan;
    if (context.failedStep != nullptr) {
        report.failedStep = context.failedStep->name;
        report.failedActivity = context.failedStep->activity;
        report.reason = context.reason;
    }
    if (code == ERR_CANCELLED) {
        // The radio is told that nothing follows; the user has already seen the notice, and
        // neither the end nor the close can change what the update did.
        static_cast<void>(SendEnd(link, &code));
        static_cast<void>(CloseLink(link, nullptr));
        report.code = ERR_CANCELLED;
        return report;
    }
    // The port is closed on every way out; a failure to close has its own step (ClosePort)
    // where the sequence reached it.
    static_cast<void>(CloseLink(link, nullptr));
    report.code = code;
    if (code == ERR_PORT_OPEN) report.detail = OpenFailureText(link);
    if (!outcome) {
        host.ShowMessage(ErrorMessageText(code), kCaptionError, MB_OK_STOP);
        return report;
    }
    host.ShowMessage(kTextWritingCompleted, kCaptionUpdater, MB_OK_INFORMATION);
    report.result = 1;
    return report;
}

}  // namespace updater
