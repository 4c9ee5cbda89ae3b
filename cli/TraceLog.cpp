#include "cli/TraceLog.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace updater::cli {

TraceLog::TraceLog(const std::string& path) {
    if (std::ifstream existing(path, std::ios::binary); existing) {
        std::string first;
        std::getline(existing, first);
        if (first.rfind(kTraceHeader, 0) != 0) {
            problem_ = "it exists and is not a trace of updater-cli; it is left as it is";
            return;
        }
    }
    file_ = std::fopen(path.c_str(), "w");
    if (file_ == nullptr) {
        problem_ = std::strerror(errno);
        return;
    }
    WriteHeader();
}

TraceLog::~TraceLog() {
    if (file_ != nullptr) std::fclose(file_);
}

void TraceLog::WriteLine(const std::string& line) {
    if (file_ == nullptr) return;
    std::fputs(line.c_str(), file_);
    // Flushed line by line: a session that ends abruptly still leaves its trace behind.
    std::fflush(file_);
}

}  // namespace updater::cli
