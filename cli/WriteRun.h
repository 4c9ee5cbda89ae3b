#pragma once
// The run of updater-cli write: the options checked, the image loaded, then one radio or a
// bench of them written, with the outcome on the terminal and, with --json, as a report.

#include "cli/WriteOptions.h"

namespace updater::cli {

// The program's exit status for the write.
int RunWrite(const WriteOptions& options);

}  // namespace updater::cli
