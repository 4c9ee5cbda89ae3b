#pragma once
// The --log trace of `updater-cli write`: the trace of the update (protocol/TraceWriter.h, the
// format shared with the windows) written to a file, line by line.

#include <cstdio>
#include <string>

#include "protocol/TraceWriter.h"
#include "protocol/TracedUpdate.h"

namespace updater::cli {

class TraceLog : public TraceWriter {
  public:
    // Opens the file anew. A file that exists and is not a trace of this program is left as it
    // is (a mistyped --log must not cost the user an image file): Ok() is then false, like
    // when the file cannot be written, and Problem() says why.
    explicit TraceLog(const std::string& path);
    ~TraceLog() override;

    bool Ok() const { return file_ != nullptr; }
    const std::string& Problem() const { return problem_; }

  protected:
    void WriteLine(const std::string& line) override;

  private:
    std::FILE* file_ = nullptr;
    std::string problem_;
};

}  // namespace updater::cli
