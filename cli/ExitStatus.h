#pragma once
// The exit statuses of updater-cli, one for each outcome, shared by every verb, the bench and
// the --json reports.

#include "protocol/Update.h"

namespace updater::cli {

enum ExitStatus {
    kExitOk = 0,
    kExitInvalidImage = 1,
    // Every mistake on the command line, whichever verb it concerns.
    kExitUsage = 2,
    kExitCancelled = 3,
    kExitPortOpen = 4,
    kExitNoLink = 5,
    kExitModel = 6,
    kExitCommand = 7,
    kExitPortClose = 8,
    kExitFailedWithoutCode = 9,
    // The standard output could not be written (a full disk, a closed pipe): what the command
    // did is not known to its reader.
    kExitOutput = 10,
};

// The status that tells the outcome of one radio's update.
int ExitStatusFor(const UpdateOutcome& outcome);

// The statuses as the write's help lists them.
extern const char* const kExitStatusTable;

}  // namespace updater::cli
