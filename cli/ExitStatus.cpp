#include "cli/ExitStatus.h"

#include "protocol/ResultCodes.h"

namespace updater::cli {

const char* const kExitStatusTable =
    "Exit status:\n"
    "  0  writing completed\n"
    "  1  the image is not valid for this model\n"
    "  2  usage error (a bad option or value, an empty --port, --file or --log, the same\n"
    "     port twice, a --log that is not a regular file or is written by another program);\n"
    "     no port is opened\n"
    "  3  cancelled at the version confirmation (the radio is left unwritten), or stopped by\n"
    "     a signal (SIGINT, SIGQUIT, SIGTERM, SIGHUP): a radio not yet being written is not\n"
    "     started; one being written goes on after a first signal (Ctrl+Z included) and a\n"
    "     Ctrl+C after that stops it\n"
    "  4  the port cannot be opened, or is this program's own terminal\n"
    "  5  no radio answered on the line\n"
    "  6  the radio is of another model or market\n"
    "  7  a command or its answer failed\n"
    "  8  the port could not be closed\n"
    "  9  the update failed without a result code\n"
    " 10  the standard output could not be written (the outcome is on the standard error)\n"
    "With several --port: 0 when every radio was written, otherwise the status of the first\n"
    "failing port in the order given.\n"
    "A radio whose writing began and did not complete is reported as partly written: it must\n"
    "be written again before use.";

int ExitStatusFor(const UpdateOutcome& outcome) {
    if (outcome.result == 1) return kExitOk;
    if (outcome.stoppedBy != 0 || outcome.reason.fault == LineFault::Stopped) {
        return kExitCancelled;
    }
    switch (outcome.code) {
        case ERR_CANCELLED:
            return kExitCancelled;
        case ERR_PORT_OPEN:
            return kExitPortOpen;
        case ERR_NO_LINK:
            return kExitNoLink;
        case ERR_MODEL:
            return kExitModel;
        case ERR_COMMAND:
            return kExitCommand;
        case ERR_PORT_CLOSE:
            return kExitPortClose;
        default:
            return kExitFailedWithoutCode;
    }
}

}  // namespace updater::cli
