#pragma once
// --log: the update's trace (protocol/TraceWriter.h) written into a file, line by line.

#include <cstdio>
#include <mutex>
#include <string>

#include "protocol/TraceWriter.h"

namespace updater::cli {

class TraceLog : public TraceWriter {
  public:
    // Opens the file anew. Only a regular file is taken: a new one, an empty one or an earlier
    // trace of this program. Anything else is left as it is and never waited on (a mistyped
    // --log must not cost the user an image file, nor hang on a pipe or swallow a port's
    // bytes): Ok() is then false, like when the file cannot be written, and Problem() says
    // why. At most the header's length is read to recognise an earlier trace.
    explicit TraceLog(const std::string& path);
    ~TraceLog() override;

    bool Ok() const { return file_ != nullptr; }
    const std::string& Path() const { return path_; }
    const std::string& Problem() const { return problem_; }
    // Why the trace lost lines after it was opened (disk full, an I/O error); empty while
    // every line went in.
    std::string WriteProblem() const;

  protected:
    void WriteLine(const std::string& line) override;

  private:
    // Notes the first failed write of the trace.
    void NoteWrite(bool written);

    std::FILE* file_ = nullptr;
    const std::string path_;
    std::string problem_;
    mutable std::mutex problemMutex_;
    std::string writeProblem_;  // the first failed write's reason
};

}  // namespace updater::cli
