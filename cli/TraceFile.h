#pragma once
// The file that --log names, taken only when it is safe to write: a regular file that is new,
// empty or an earlier trace.

#include <cstdio>
#include <string>

#include "protocol/TraceWriter.h"  // kTraceHeader: a file that begins otherwise is not overwritten

namespace updater::cli {

// Opens path for a new trace, emptied. Never blocks (a FIFO or a device is refused, not
// waited on) and reads at most the header's length. The file stays locked while it is open
// (POSIX): a second program given it is refused, naming the holder, before anything is
// emptied. Null when refused or failed, with the reason in problem.
std::FILE* OpenTraceFile(const std::string& path, std::string& problem);

}  // namespace updater::cli
