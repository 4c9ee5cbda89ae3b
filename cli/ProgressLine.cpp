#include "cli/ProgressLine.h"

#include <algorithm>

namespace updater::cli {

namespace {

constexpr int kBarWidth = 30;

}  // namespace

ProgressFigures EstimateProgress(int done, int total, std::chrono::steady_clock::duration elapsed) {
    using std::chrono::seconds;
    ProgressFigures figures;
    figures.total = std::max(total, 0);
    figures.done = std::clamp(done, 0, figures.total);
    figures.elapsed = std::chrono::duration_cast<seconds>(elapsed);
    if (figures.done > 0) {
        // The pace so far holds for the rest: the blocks are of much the same size.
        const auto perBlock = elapsed / figures.done;
        const auto rest = perBlock * (figures.total - figures.done);
        figures.left = std::chrono::ceil<seconds>(rest);
    }
    return figures;
}

std::string DurationText(std::chrono::seconds duration) {
    const long long total = std::max<long long>(duration.count(), 0);
    const long long hours = total / 3600, minutes = total / 60 % 60, seconds = total % 60;
    char text[32];
    if (hours > 0) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, seconds);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", minutes, seconds);
    }
    return text;
}

std::string BarText(int done, int total, int width) {
    const int filled = std::clamp(done * width / std::max(total, 1), 0, width);
    std::string bar = "[";
    bar.append(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(width - filled), '.');
    return bar + ']';
}

std::string ProgressLineText(const ProgressFigures& f) {
    const int percent = f.done * 100 / std::max(f.total, 1);
    char counts[64];
    std::snprintf(counts, sizeof counts, " %3d%%  %d/%d blocks  ", percent, f.done, f.total);
    return "Writing " + BarText(f.done, f.total, kBarWidth) + counts + DurationText(f.elapsed) +
           " elapsed  " + (f.left ? DurationText(*f.left) : std::string("-:--")) + " left";
}

void ProgressLine::Start(int total) {
    total_ = total;
    start_ = std::chrono::steady_clock::now();
}

bool ProgressLine::Show(int position) {
    const auto figures =
        EstimateProgress(position, total_, std::chrono::steady_clock::now() - start_);
    std::string line = ProgressLineText(figures);
    // Blanks over the rest of a longer line shown before.
    const size_t width = line.size();
    if (width < shownWidth_) line.append(shownWidth_ - width, ' ');
    shownWidth_ = width;
    std::fprintf(out_, "\r%s", line.c_str());
    drawn_ = true;
    return std::fflush(out_) == 0;
}

void ProgressLine::End() {
    if (drawn_) std::fputc('\n', out_);
    std::fflush(out_);
    drawn_ = false;
    shownWidth_ = 0;
}

}  // namespace updater::cli
