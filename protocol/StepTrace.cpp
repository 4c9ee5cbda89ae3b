#include "protocol/StepTrace.h"

#include "link/LinkTrace.h"
#include "protocol/CheckSequence.h"
#include "protocol/WriteSequence.h"

namespace updater {

namespace {

struct NamedStep {
    Step step;
    const char* name;
    const char* activity;
};

constexpr NamedStep kStepNames[] = {
    {OpenPort, "OpenPort", "Opening the port…"},
    {FindRadio, "FindRadio", "Searching for the radio…"},
    {RequestIdentity, "RequestIdentity", "Checking the radio's model…"},
    {CheckModelCode, "CheckModelCode", ""},
    {CompareTopAreaTag, "CompareTopAreaTag", "Checking the radio's version…"},
    {ConfirmVersionChange, "ConfirmVersionChange", ""},
    {SendAreaCodes, "SendAreaCodes", "Preparing the radio for writing…"},
    {WriteLowArea, "WriteLowArea", "Writing the low area…"},
    {WriteMainArea, "WriteMainArea", "Writing the main area…"},
    {SendAreaChecksum, "SendAreaChecksum", "Checking the areas written…"},
    {SendBracket, "SendBracket", ""},
    {SendAreaCode00, "SendAreaCode00", ""},
    {WriteTopArea, "WriteTopArea", "Writing the top area…"},
    {SendEnd, "SendEnd", "Ending the session…"},
    {ClosePort, "ClosePort", ""},
};

const NamedStep* Find(Step step) {
    for (const NamedStep& named : kStepNames) {
        if (named.step == step) return &named;
    }
    return nullptr;
}

}  // namespace

const char* StepName(Step step) {
    const NamedStep* named = Find(step);
    return named != nullptr ? named->name : "step";
}

const char* StepActivity(Step step) {
    const NamedStep* named = Find(step);
    return named != nullptr ? named->activity : "";
}

void ReportStepStart(UpdateContext& context, Step step) {
    const char* activity = StepActivity(step);
    if (*activity != '\0') context.host.ShowStep(activity);
}

void TraceStepEnd(UpdateContext& context, Step step, int stepResult, const uint32_t* code) {
    LinkTrace* trace = context.link.Trace();
    if (trace == nullptr) return;
    trace->StepEnded(StepName(step), stepResult, code != nullptr ? *code : 0);
}

}  // namespace updater
