#pragma once
// Texts from outside the program (a radio's answers, an image's version, a port's description,
// a path) as the human-readable output shows them: control characters never reach the
// terminal, where they could move the cursor, clear the screen or retitle the window.

#include <string>

namespace updater::cli {

// text with every control character (C0, DEL, C1) and every byte that is not UTF-8 written as
// \xNN; line ends stay where keepLineEnds is set.
std::string Shown(const std::string& text, bool keepLineEnds = false);

}  // namespace updater::cli
