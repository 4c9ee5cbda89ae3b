#pragma once
// What the CLI says of a radio whose writing began and did not complete, wherever it says it.

namespace updater::cli {

// The sentence after a single radio's outcome.
inline constexpr const char* kPartlyWritten =
    "the radio was partly written and must be written again before use.";

// The same, short enough for a bench's result column.
inline constexpr const char* kPartlyWrittenShort = "partly written: write it again before use";

}  // namespace updater::cli
