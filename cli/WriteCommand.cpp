// updater-cli write: the whole update of the Write button, with the window's texts on the
// terminal, a progress bar, and an exit status that tells every outcome apart. Here its
// command line; the run is in WriteRun.
#include <memory>

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/WriteOptions.h"
#include "cli/WriteRun.h"

namespace updater::cli {

Handler AddWriteCommand(CLI::App& app) {
    auto options = std::make_shared<WriteOptions>();
    CLI::App* write =
        app.add_subcommand("write", "Write the firmware image into the radio on a serial port.");
    // The values are checked by the verb itself, so that every usage error exits with 2.
    write->add_option("--port", options->ports,
                      "serial port of the programming cable (required); give it once for each "
                      "radio to write several at once (then --yes is required)");
    write->add_option("--file", options->file,
                      "an image file of your own (scrambled S-record text) instead of the "
                      "embedded image");
    write->add_option("--speed", options->speed, "transfer speed in bit/s: 38400 or 57600")
        ->capture_default_str();
    write->add_option("--stop-bits", options->stopBits, "stop bits on the line: 1 or 2")
        ->capture_default_str();
    write->add_flag("--unencrypted", options->unencrypted, "leave the serial traffic unscrambled");
    write->add_flag("--yes", options->yes, "confirm the version change in advance");
    write->add_flag("--json", options->json,
                    "print the outcome of every port as JSON on the standard output (the "
                    "other texts go to the standard error)");
    write->add_option("--log", options->log,
                      "write a timestamped trace of the session (every byte, setting and wait) "
                      "to this file: a new one, an empty one or an earlier trace; with several "
                      "--port, into this directory, one PORT.trace for each radio");
    write->footer(kExitStatusTable);

    return [options] { return RunWrite(*options); };
}

}  // namespace updater::cli
