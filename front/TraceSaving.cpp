#include "front/TraceSaving.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "image/Utf8Path.h"

namespace updater {

std::string TraceFileName(const LocalTime& started) {
    char name[64];
    std::snprintf(name, sizeof name, "update-trace-%04u-%02u-%02u-%02u%02u%02u.txt", started.year,
                  started.month, started.day, started.hour, started.minute, started.second);
    return name;
}

bool SaveTextFile(const std::string& path, const std::string& text, std::string& problem) {
    errno = 0;
    std::ofstream file(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    if (!file) {
        problem = errno != 0 ? std::strerror(errno) : "it cannot be opened for writing";
        return false;
    }
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
        problem = errno != 0 ? std::strerror(errno) : "it could not be written completely";
        return false;
    }
    return true;
}

std::string TraceNotSavedText(const std::string& path, const std::string& problem) {
    return "The trace could not be saved to " + path + ":\n" + problem;
}

}  // namespace updater
