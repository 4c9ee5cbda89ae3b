#include "protocol/StepTrace.h"

#include "link/LinkTrace.h"
#include "protocol/CheckSequence.h"
#include "protocol/WriteSequence.h"

namespace updater {

namespace {

struct NamedStep {
    Step step;
    const char* name;
};

constexpr NamedStep kStepNames[] = {
    {OpenPort, "OpenPort"},
    {FindRadio, "FindRadio"},
    {RequestIdentity, "RequestIdentity"},
    {CheckModelCode, "CheckModelCode"},
    {CompareTopAreaTag, "CompareTopAreaTag"},
    {ConfirmVersionChange, "ConfirmVersionChange"},
    {SendAreaCodes, "SendAreaCodes"},
    {WriteLowArea, "WriteLowArea"},
    {WriteMainArea, "WriteMainArea"},
    {SendAreaChecksum, "SendAreaChecksum"},
    {SendBracket, "SendBracket"},
    {SendAreaCode00, "SendAreaCode00"},
    {WriteTopArea, "WriteTopArea"},
    {SendEnd, "SendEnd"},
    {ClosePort, "ClosePort"},
};

}  // namespace

const char* StepName(Step step) {
    for (const NamedStep& named : kStepNames) {
        if (named.step == step) return named.name;
    }
    return "step";
}

void TraceStepEnd(UpdateContext& context, Step step, int stepResult, const uint32_t* code) {
    LinkTrace* trace = context.link.Trace();
    if (trace == nullptr) return;
    trace->StepEnded(StepName(step), stepResult, code != nullptr ? *code : 0);
}

}  // namespace updater
