#pragma once
// The write's progress on a terminal: one line, rewritten in place, with a bar, the
// percentage, the blocks done of all, the time spent and the time left.
//
//   Writing [############..................]  40%  1180/2950 blocks  0:48 elapsed  1:12 left

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

namespace updater::cli {

struct ProgressFigures {
    int done = 0;
    int total = 0;
    std::chrono::seconds elapsed{0};
    std::optional<std::chrono::seconds> left;  // none until a block has been written
};

// The figures after `done` of `total` blocks in `elapsed`, the time left from the pace so far.
ProgressFigures EstimateProgress(int done, int total, std::chrono::steady_clock::duration elapsed);

// "0:48", "1:02:05".
std::string DurationText(std::chrono::seconds duration);

// The bar alone, `width` marks between brackets: "[#####.....]".
std::string BarText(int done, int total, int width);

// The line for the figures (without the carriage return).
std::string ProgressLineText(const ProgressFigures& figures);

class ProgressLine {
  public:
    explicit ProgressLine(std::FILE* out) : out_(out) {}

    // A new range of blocks; the clock starts now.
    void Start(int total);
    // Rewrites the line for `position` blocks done; false when the output refused it (a
    // closed terminal or pipe).
    bool Show(int position);
    // Ends the line, if one was drawn, so that the next text starts on a line of its own.
    void End();

  private:
    std::FILE* out_;
    int total_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    size_t shownWidth_ = 0;
    bool drawn_ = false;
};

}  // namespace updater::cli
