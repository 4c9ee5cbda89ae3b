#include "protocol/Update.h"

#include "image/FirmwareImage.h"
#include "protocol/CheckSequence.h"
#include "protocol/Commands.h"
#include "protocol/Messages.h"
#include "protocol/ResultCodes.h"
#include "protocol/WriteSequence.h"

namespace updater {

bool UpdateOutcome::cancelled() const { return code == ERR_CANCELLED; }

std::string UpdateOutcome::FailedStepText() const {
    if (failedStep.empty()) return {};
    std::string activity = failedActivity;
    if (!activity.empty() && activity[0] >= 'A' && activity[0] <= 'Z') activity[0] += 'a' - 'A';
    return failedStep + " (" + activity + ")";
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

    int outcome = RunCheckSequence(context, &code);
    if (outcome != 0 && code != ERR_CANCELLED) {
        outcome = context.topAreaCurrent != 0 ? RunShortWriteSequence(context, &code)
                                              : RunFullWriteSequence(context, &code);
    }

    UpdateOutcome report = DescribeRadio(context);
    report.writeBegan = context.writeBegan;
    if (context.failedStep != nullptr) {
        report.failedStep = context.failedStep->name;
        report.failedActivity = context.failedStep->activity;
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
    if (outcome == 0 && !link.RefusedSettings().empty()) {
        report.detail = "the port refused the line settings " + link.RefusedSettings();
    }
    if (outcome == 0) {
        host.ShowMessage(ErrorMessageText(code), kCaptionError, MB_OK_STOP);
        return report;
    }
    host.ShowMessage(kTextWritingCompleted, kCaptionUpdater, MB_OK_INFORMATION);
    report.result = 1;
    return report;
}

}  // namespace updater
