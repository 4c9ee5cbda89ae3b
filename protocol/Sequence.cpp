#include "protocol/Sequence.h"

#include "link/LinkTrace.h"
#include "protocol/ResultCodes.h"

namespace updater {

std::string StepText(const SequenceStep& step) { return std::string(step.activity) + "…"; }

LineResult RunSequence(std::span<const SequenceStep> steps, UpdateContext& context,
                       uint32_t* result) {
    LineResult last;
    for (const SequenceStep& step : steps) {
        context.host.ShowStep(StepText(step));
        last = step.run(context, result);
        if (LinkTrace* trace = context.link.Trace(); trace != nullptr) {
            trace->StepEnded(step.name, last, result != nullptr ? *result : 0);
        }
        if (!last || (result != nullptr && *result == ERR_CANCELLED)) {
            context.failedStep = &step;
            context.reason = last;
            break;
        }
    }
    return last;
}

}  // namespace updater
