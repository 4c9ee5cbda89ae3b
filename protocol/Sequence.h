#pragma once
// Runs a sequence's table of steps: each step's activity goes to the front end as it starts,
// its result to the link's trace (when one is installed) as it ends, so that a support trace
// and the outcome show where an update stopped.

#include <cstdint>
#include <span>
#include <string>

#include "protocol/Update.h"

namespace updater {

// What the front end shows while the step runs ("Opening the port…").
std::string StepText(const SequenceStep& step);

// Runs the steps in table order and stops after the first that fails or leaves ERR_CANCELLED
// in the slot, which it notes as context.failedStep with its result as context.reason. Returns
// the last step's result.
[[nodiscard]] LineResult RunSequence(std::span<const SequenceStep> steps, UpdateContext& context,
                                     uint32_t* result);

}  // namespace updater
