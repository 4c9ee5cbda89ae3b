#pragma once
// updater-cli write with several --port: every radio of a service bench written at once, each
// on its own port and thread through the same update as a single write. On a terminal one line
// per radio is rewritten in place; otherwise each event is a line of its own, prefixed with its
// port. A summary table closes the run.

#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "protocol/TraceWriter.h"
#include "protocol/Update.h"

namespace updater::cli {

// Writes `image` into the radio on every port at once; `outcomes` receives each port's outcome
// in argument order; each radio's session goes into its own trace in `traces` (by port, none
// where empty or null). Returns kExitCancelled when a stop left a radio unwritten (those whose
// writing had not begun are not started: their rows say "not started (stopped)"), kExitOk when
// every radio was written, otherwise the exit status of the first failing port in argument
// order.
int RunBenchWrite(const std::vector<std::string>& ports, const FirmwareImage& image,
                  const UpdateSettings& settings, const std::vector<TraceWriter*>& traces,
                  std::vector<UpdateOutcome>& outcomes);

}  // namespace updater::cli
