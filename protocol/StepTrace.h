#pragma once
// Tells the link's trace (when one is installed) how each step of the check and write
// sequences ended, so that a support trace shows where an update stopped.

#include <cstdint>

#include "protocol/Update.h"

namespace updater {

// The step's name as the sequences list it ("FindRadio"); "step" for one not in a sequence.
const char* StepName(Step step);

// Reports the step's result and the result code slot (0 when the caller left none).
void TraceStepEnd(UpdateContext& context, Step step, int stepResult, const uint32_t* code);

}  // namespace updater
