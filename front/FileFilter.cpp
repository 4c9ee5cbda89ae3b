#include "front/FileFilter.h"

namespace updater {

namespace {

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::vector<FileFilterEntry> ParseFileFilter(const std::string& paired) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t bar = paired.find('|'); bar != std::string::npos; bar = paired.find('|', start)) {
        parts.push_back(paired.substr(start, bar - start));
        start = bar + 1;
    }
    parts.push_back(paired.substr(start));

    std::vector<FileFilterEntry> entries;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        FileFilterEntry entry{Trimmed(parts[i]), Trimmed(parts[i + 1])};
        if (entry.description.empty()) break;  // the closing "||"
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace updater
