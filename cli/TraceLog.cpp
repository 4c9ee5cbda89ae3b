#include "cli/TraceLog.h"

#include <cerrno>
#include <cstring>

#include "cli/TraceFile.h"

namespace updater::cli {

TraceLog::TraceLog(const std::string& path) : path_(path) {
    file_ = OpenTraceFile(path, problem_);
    if (file_ != nullptr) WriteHeader();
}

TraceLog::~TraceLog() {
    if (file_ != nullptr) std::fclose(file_);
}

std::string TraceLog::WriteProblem() const {
    std::lock_guard lock(problemMutex_);
    return writeProblem_;
}

void TraceLog::NoteWrite(bool written) {
    if (written) return;
    const std::string reason = errno != 0 ? std::strerror(errno) : "a write failed";
    std::lock_guard lock(problemMutex_);
    if (writeProblem_.empty()) writeProblem_ = reason;
}

void TraceLog::WriteLine(const std::string& line) {
    if (file_ == nullptr) return;
    errno = 0;
    const bool printed = std::fputs(line.c_str(), file_) >= 0;
    // Flushed line by line: a session that ends abruptly still leaves its trace behind.
    NoteWrite(printed && std::fflush(file_) == 0);
}

}  // namespace updater::cli
