#include "sim/PauseJudge.h"

#include <algorithm>
#include <cstdio>

namespace updater::sim {

namespace {

using std::chrono::milliseconds;

// The loader's needs, from its own timing (independent of the Updater's constants).
constexpr milliseconds kAfterOpen{50};
constexpr milliseconds kAfterLineChange{100};
constexpr milliseconds kBeforeSwitch{100};  // speed code to the switch of the line
constexpr milliseconds kAfterWFrame{50};
constexpr milliseconds kAroundCheckpoint{250};
constexpr uint32_t kMainAreaFirst = 0x80000;
constexpr uint8_t kSpeedChangeCommand = 0x0F;
constexpr uint8_t kWFrameCommand = 0x57;
constexpr uint8_t kCheckpointCommand = 0x06;

std::string Millis(PauseJudge::Duration d) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::chrono::duration<double, std::milli>(d).count());
    return text;
}

}  // namespace

PauseJudge::PauseJudge(bool wireTime, Duration tolerance, ProblemSink problem)
    : wireTime_(wireTime), tolerance_(tolerance), problem_(std::move(problem)) {}

void PauseJudge::SessionStarted() {
    earlySwitch_.reset();
    afterSpeedCode_.reset();
    switchDueAfter_.reset();
    afterWFrame_.reset();
    run_.reset();
    lastWFrameEnd_.reset();
    segmentArea_.reset();
    speedFrame_.reset();
    checkpoint_.reset();
}

PauseJudge::Area PauseJudge::AreaOf(uint32_t address) {
    return address >= kMainAreaFirst ? Area::Main : Area::Low;
}

PauseJudge::Duration PauseJudge::LineTime(std::size_t bytes, const UartSettings& line) const {
    if (!wireTime_) return Duration::zero();
    return std::chrono::duration_cast<Duration>(ByteTime(line) * static_cast<long long>(bytes));
}

bool PauseJudge::Short(Duration upperBound, Duration needed) const {
    return upperBound + tolerance_ < needed;
}

void PauseJudge::Report(const std::string& what, Duration upperBound, const std::string& why) {
    problem_(what + " at most " + Millis(upperBound) + " ms " + why);
}

void PauseJudge::PortOpened(const Arrival& open) {
    // A switch that no byte followed was the close of the last session, not part of a dialogue.
    earlySwitch_.reset();
    open_ = open;
}

void PauseJudge::LineChanged(const LineChange& change) {
    if (switchDueAfter_) {
        const Duration gap = change.by - *switchDueAfter_;
        // Judged once the next byte comes: a port that closes after a broken-off dialogue puts
        // its old settings back at once, and no dialogue runs any more to be spoilt by it.
        if (Short(gap, kBeforeSwitch)) {
            earlySwitch_ = EarlySwitch{change.to.speed, gap};
        }
        switchDueAfter_.reset();
    }
    change_ = change;
}

void PauseJudge::ByteArrived(const Arrival& at) {
    if (earlySwitch_) {
        Report("line switched to " + std::to_string(earlySwitch_->speed) + " bit/s",
               earlySwitch_->gap,
               "after the speed code; the loader switches its own line 100 ms after the code");
        earlySwitch_.reset();
    }
    if (open_) {
        const Duration gap = at.seenBy - open_->notBefore;
        if (Short(gap, kAfterOpen + kAfterLineChange)) {
            Report("first byte", gap,
                   "after the port was opened; the loader needs 50 ms after the open and 100 ms "
                   "after the line is set");
        }
        open_.reset();
    }
    if (change_) {
        const Duration gap = at.seenBy - change_->after;
        if (Short(gap, kAfterLineChange)) {
            Report("next byte", gap,
                   "after the line was set to " + std::to_string(change_->to.speed) +
                       " bit/s; the loader needs 100 ms to follow a change of the line");
        }
        change_.reset();
    }
    if (afterSpeedCode_) {
        const Duration gap = at.seenBy - afterSpeedCode_->since;
        if (Short(gap, afterSpeedCode_->needed)) {
            Report("next byte", gap,
                   "after a speed change; the loader needs 100 ms before and 100 ms after the "
                   "switch");
        }
        afterSpeedCode_.reset();
    }
    if (afterWFrame_) {
        const Duration gap = at.seenBy - afterWFrame_->since;
        if (Short(gap, afterWFrame_->needed)) {
            Report("next byte", gap, "after a 'W' frame; the loader needs 50 ms to store one");
        }
        afterWFrame_.reset();
    }
    if (run_ && !run_->reported && run_->needed > kAfterWFrame) {
        const Duration span = at.seenBy - run_->firstEnd;
        if (Short(span, run_->needed)) {
            Report("run of 'W' frames took", span,
                   "where the loader needs " + Millis(run_->needed) +
                       " ms to store them (50 ms after each)");
            run_->reported = true;
        }
    }
    if (checkpoint_ && !checkpoint_->nextByteBy) checkpoint_->nextByteBy = at.seenBy;
    lastByte_ = at;
}

void PauseJudge::CommandStarted(uint8_t command) {
    if (command == kSpeedChangeCommand) {
        Checkpoint before;
        if (lastWFrameEnd_) before.gapBefore = lastByte_.seenBy - *lastWFrameEnd_;
        before.areaBefore = segmentArea_;
        speedFrame_ = before;
        segmentArea_.reset();
        lastWFrameEnd_.reset();
        run_.reset();
        return;
    }
    // Only another command than the pass's own ('W', the speed frame, the checkpoint's 0x06)
    // shows that the pass has ended.
    if (command != kWFrameCommand && command != kCheckpointCommand && checkpoint_) {
        JudgeClosingCheckpoint();
    }
}

void PauseJudge::SpeedCodeReceived(const Arrival& at, const UartSettings& line) {
    const auto codeEnd = at.notBefore + LineTime(1, line);
    afterSpeedCode_ = Pending{codeEnd, kBeforeSwitch + kAfterLineChange};
    switchDueAfter_ = codeEnd;
}

void PauseJudge::WFrameEnded(uint32_t address, std::size_t frameBytes, const Arrival& first,
                             const Arrival& last, const UartSettings& line) {
    const auto end = std::max(first.notBefore + LineTime(frameBytes, line), last.notBefore);
    const Area area = AreaOf(address);
    if (checkpoint_) {
        if (checkpoint_->areaBefore && *checkpoint_->areaBefore == area) {
            // The pass went on after the checkpoint: the 250 ms belonged before it.
            const auto& gap = checkpoint_->gapBefore;
            if (gap && Short(*gap, kAfterWFrame + kAroundCheckpoint)) {
                Report("checkpoint inside a pass began", *gap,
                       "after the last 'W' frame; the loader needs 50 ms after the frame and "
                       "250 ms before the checkpoint");
            }
            checkpoint_.reset();
        } else {
            JudgeClosingCheckpoint();
        }
    }
    if (run_) {
        run_->needed += LineTime(frameBytes, line) + kAfterWFrame;
    } else {
        run_ = FrameRun{end, kAfterWFrame};
    }
    afterWFrame_ = Pending{end, kAfterWFrame};
    lastWFrameEnd_ = end;
    segmentArea_ = area;
}

void PauseJudge::CheckpointAcked(const Arrival& at, const UartSettings& line) {
    Checkpoint checkpoint = speedFrame_.value_or(Checkpoint{});
    // The loader's ACK can reach the Updater no sooner than both bytes' line time after the
    // Updater's 0x06 reached the terminal.
    checkpoint.answeredNotBefore = at.notBefore + LineTime(2, line);
    checkpoint.nextByteBy.reset();
    checkpoint_ = checkpoint;
}

void PauseJudge::CheckpointAnswerWritten(SimClock::time_point at) {
    if (checkpoint_) {
        checkpoint_->answeredNotBefore = std::max(checkpoint_->answeredNotBefore, at);
    }
}

// A checkpoint that the pass did not go on from closed it: 250 ms follow its answer.
void PauseJudge::JudgeClosingCheckpoint() {
    if (checkpoint_->areaBefore && checkpoint_->nextByteBy) {
        const Duration gap = *checkpoint_->nextByteBy - checkpoint_->answeredNotBefore;
        if (Short(gap, kAroundCheckpoint)) {
            Report("next byte", gap,
                   "after the closing checkpoint of a pass; the loader needs 250 ms after it");
        }
    }
    checkpoint_.reset();
}

}  // namespace updater::sim
