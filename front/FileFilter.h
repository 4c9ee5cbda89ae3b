#pragma once
// File chooser filters, written in the "Description|patterns|...||" form; each toolkit turns
// the parsed pairs into the form its file dialog reads.

#include <string>
#include <vector>

namespace updater {

// The filter of "Refer" in Special Settings.
inline constexpr const char* kImageFileFilter = "MOT File(*.mot)|*.mot||";

struct FileFilterEntry {
    std::string description;  // "MOT File(*.mot)"
    std::string patterns;     // "*.mot", several separated by ';'
};

// The pairs up to the closing "||" (an empty description); a description without patterns
// is kept with none.
std::vector<FileFilterEntry> ParseFileFilter(const std::string& paired);

}  // namespace updater
