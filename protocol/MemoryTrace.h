#pragma once
// A trace kept in memory (the windows' record of the last update), written by the one writer
// of the trace format; nothing reaches a disk unless the user saves it.

#include <mutex>
#include <string>

#include "protocol/TraceWriter.h"

namespace updater {

class MemoryTrace : public TraceWriter {
  public:
    // Starts with the header, like every trace.
    MemoryTrace() { WriteHeader(); }

    // The whole trace so far.
    std::string Text() const {
        std::lock_guard lock(mutex_);
        return text_;
    }

  protected:
    void WriteLine(const std::string& line) override {
        std::lock_guard lock(mutex_);
        text_ += line;
    }

  private:
    mutable std::mutex mutex_;
    std::string text_;
};

}  // namespace updater
