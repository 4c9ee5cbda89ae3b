#pragma once
// The pauses the loader needs from the Updater, judged soundly: every gap is measured from the
// earliest moment its first event can have happened to the latest moment its second event can
// have happened, so the measure is an upper bound of the true gap. The loader's own lateness can
// only lengthen it: a pause reported short was short.
//
// With the wire-time model on, a frame is taken to end on the wire its line time after its first
// byte reached the terminal, as it would on a real line; the Updater's wait counts from there.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "sim/LineObservation.h"

namespace updater::sim {

class PauseJudge {
  public:
    using Duration = SimClock::duration;
    using ProblemSink = std::function<void(const std::string&)>;

    PauseJudge(bool wireTime, Duration tolerance, ProblemSink problem);

    // A new dialogue starts: the pauses of the one before no longer count.
    void SessionStarted();

    // The Updater opened the port: 50 ms, then the line setting with its 100 ms, come before its
    // first byte.
    void PortOpened(const Arrival& open);
    // The Updater changed the line: 100 ms before its next byte. After a speed-change frame the
    // change itself must come 100 ms after the code byte; that is judged when a byte follows
    // the change, so that settings put back as the port closes are no fault.
    void LineChanged(const LineChange& change);
    // Every byte from the Updater, dialogue or not, in the order they came.
    void ByteArrived(const Arrival& at);

    // A command byte in the keyed dialogue (after ByteArrived for the same byte).
    void CommandStarted(uint8_t command);
    // The code byte of a speed-change frame, read at `line`.
    void SpeedCodeReceived(const Arrival& at, const UartSettings& line);
    // A whole 'W' frame of `frameBytes` bytes for `address`, its first and last byte.
    void WFrameEnded(uint32_t address, std::size_t frameBytes, const Arrival& first,
                     const Arrival& last, const UartSettings& line);
    // The Updater's 0x06 of a checkpoint exchange, answered by the loader's ACK.
    void CheckpointAcked(const Arrival& at, const UartSettings& line);
    // The loader wrote that checkpoint's ACK at `at` (its arrival on the modelled wire).
    void CheckpointAnswerWritten(SimClock::time_point at);

  private:
    enum class Area { Low, Main };
    struct Pending {
        SimClock::time_point since{};
        Duration needed{};
    };
    struct FrameRun {
        SimClock::time_point firstEnd{};  // end of the run's first frame on the wire
        Duration needed{};                // the pauses and frames between it and the next byte
        bool reported = false;
    };
    struct Checkpoint {
        std::optional<Duration> gapBefore;  // from the last 'W' frame's end to the speed frame
        std::optional<Area> areaBefore;     // where the 'W' frames before it went
        SimClock::time_point answeredNotBefore{};
        std::optional<SimClock::time_point> nextByteBy;
    };

    static Area AreaOf(uint32_t address);
    Duration LineTime(std::size_t bytes, const UartSettings& line) const;
    // Reports when `upperBound` falls short of `needed` by more than the clock's tolerance.
    bool Short(Duration upperBound, Duration needed) const;
    void Report(const std::string& what, Duration upperBound, const std::string& why);
    void JudgeClosingCheckpoint();

    bool wireTime_;
    Duration tolerance_;
    ProblemSink problem_;

    struct EarlySwitch {
        int speed = 0;
        Duration gap{};
    };

    std::optional<Arrival> open_;
    std::optional<EarlySwitch> earlySwitch_;  // a switch too soon after the speed code
    std::optional<LineChange> change_;
    std::optional<Pending> afterSpeedCode_;  // code byte's end; 200 ms until the next byte
    std::optional<SimClock::time_point>
        switchDueAfter_;  // code byte's end; 100 ms until the change
    std::optional<Pending> afterWFrame_;
    std::optional<FrameRun> run_;
    std::optional<SimClock::time_point> lastWFrameEnd_;
    std::optional<Area> segmentArea_;       // area of the 'W' frames since the last speed frame
    std::optional<Checkpoint> speedFrame_;  // what preceded the latest speed-change frame
    std::optional<Checkpoint> checkpoint_;  // the latest checkpoint, until it is classified
    Arrival lastByte_{};
};

}  // namespace updater::sim
