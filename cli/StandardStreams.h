#pragma once
// The program's standard streams as a script may leave them.

namespace updater::cli {

// Opens each of the standard input, output and error that is closed on the null device, so
// that no port, wake-up or trace the program opens later takes its number and receives what
// is printed (POSIX; nothing to do on Windows).
void OpenClosedStandardStreams();

}  // namespace updater::cli
