#pragma once
// On a pseudo-terminal bytes arrive the instant they are written; on a real line each byte
// takes its start, data and stop bits. The wire timeline keeps track of when the bytes received
// would really have ended and when an answer's last byte would really reach the Updater, so
// that answers are not seen earlier than a real radio could give them.

#include <chrono>
#include <cstddef>

#include "sim/UartSettings.h"

namespace updater::sim {

class WireTimeline {
  public:
    using Clock = std::chrono::steady_clock;

    explicit WireTimeline(bool enabled) : enabled_(enabled) {}

    // `count` bytes from the Updater were written at `at` with the line as `line`.
    void Received(std::size_t count, const UartSettings& line, Clock::time_point at);
    // When the last of `count` answer bytes, sent as soon as the loader has the whole command,
    // would arrive at the Updater. Marks the loader's transmit line busy until then.
    Clock::time_point AnswerArrival(std::size_t count, const UartSettings& line,
                                    Clock::time_point now);

  private:
    bool enabled_;
    Clock::time_point inboundDone_{};
    Clock::time_point outboundDone_{};
};

}  // namespace updater::sim
