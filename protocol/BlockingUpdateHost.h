#pragma once
// An UpdateHost for front ends without an event loop (the terminal, tests, benchmarks): the
// update thread simply blocks until the pass thread reports its end.

#include <condition_variable>
#include <mutex>

#include "protocol/UpdateHost.h"

namespace updater {

class BlockingUpdateHost : public UpdateHost {
  public:
    void PassFinished() override {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        condition_.notify_one();
    }

    void WaitForPass() override {
        std::unique_lock lock(mutex_);
        condition_.wait(lock, [this] { return finished_; });
        finished_ = false;  // ready for the next pass
    }

  private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool finished_ = false;
};

}  // namespace updater
