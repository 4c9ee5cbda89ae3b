#include "protocol/WriteSequence.h"

#include <span>

#include "protocol/Commands.h"
#include "protocol/LinkSession.h"
#include "protocol/StepTrace.h"
#include "protocol/TransferPass.h"

namespace updater {

namespace {

int RunSteps(std::span<const Step> steps, UpdateContext& context, uint32_t* result) {
    for (Step step : steps) {
        ReportStepStart(context, step);
        const int stepResult = step(context, result);
        TraceStepEnd(context, step, stepResult, result);
        if (stepResult == 0) return 0;
    }
    return 1;
}

}  // namespace

int SendAreaCodes(UpdateContext& context, uint32_t* result) {
    (void)result;  // a refused area code has no code of its own
    for (const char* code : kAreaCodes) {
        const uint8_t frame[3] = {kCommandR, static_cast<uint8_t>(code[0]),
                                  static_cast<uint8_t>(code[1])};
        if (context.link.WriteBlock(frame, sizeof frame) != 1) return 0;
        if (WaitAck(context.link) != 1) return 0;
        context.writeBegan = true;
    }
    return 1;
}

int WriteLowArea(UpdateContext& context, uint32_t* result) {
    (void)result;
    return RunPass(context, context.image.lowAreaRecords, WritePassThread, PassKind::KeepsPosition);
}

int WriteMainArea(UpdateContext& context, uint32_t* result) {
    (void)result;
    return RunPass(context, context.image.mainAreaRecords, WritePassThread,
                   PassKind::KeepsPosition);
}

int SendAreaChecksum(UpdateContext& context, uint32_t* result) {
    (void)result;
    if (SendAddressRange(context.link, context.areaChecksum) != 1) return 0;
    return WaitAck(context.link);
}

int SendBracket(UpdateContext& context, uint32_t* result) {
    return SendBracket(context.link, result);
}

int SendAreaCode00(UpdateContext& context, uint32_t* result) {
    return SendR(context.link, '0', '0', result);
}

int WriteTopArea(UpdateContext& context, uint32_t* result) {
    (void)result;
    return RunPass(context, context.image.topAreaTransferList, TopAreaPassThread,
                   PassKind::DiscardsPosition);
}

int SendEnd(UpdateContext& context, uint32_t* result) { return SendEnd(context.link, result); }

int ClosePort(UpdateContext& context, uint32_t* result) { return CloseLink(context.link, result); }

int RunShortWriteSequence(UpdateContext& context, uint32_t* result) {
    const FirmwareImage& image = context.image;
    context.host.SetProgressRange(image.lowAreaRecords.Size() + image.mainAreaRecords.Size());
    return RunSteps(kShortWriteSequence, context, result);
}

int RunFullWriteSequence(UpdateContext& context, uint32_t* result) {
    const FirmwareImage& image = context.image;
    context.host.SetProgressRange(image.lowAreaRecords.Size() + image.mainAreaRecords.Size() +
                                  image.topAreaRecords.Size());
    return RunSteps(kFullWriteSequence, context, result);
}

}  // namespace updater
