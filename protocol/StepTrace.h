#pragma once
// Reports the steps of the check and write sequences: to the front end as each starts (what
// the window shows as running), and to the link's trace (when one is installed) as each ends,
// so that a support trace shows where an update stopped.

#include <cstdint>

#include "protocol/Update.h"

namespace updater {

// The step's name as the sequences list it ("FindRadio"); "step" for one not in a sequence.
const char* StepName(Step step);

// What the step does, for the front end ("Writing the main area…"); empty for a step too
// short to show, which leaves the previous text standing.
const char* StepActivity(Step step);

// Shows the step's activity, where it has one.
void ReportStepStart(UpdateContext& context, Step step);

// Reports the step's result and the result code slot (0 when the caller left none).
void TraceStepEnd(UpdateContext& context, Step step, int stepResult, const uint32_t* code);

}  // namespace updater
