#include "sim/WireTimeline.h"

#include <algorithm>

namespace updater::sim {

void WireTimeline::Received(std::size_t count, const UartSettings& line, Clock::time_point at) {
    if (!enabled_) return;
    inboundDone_ = std::max(inboundDone_, at) + ByteTime(line) * static_cast<long long>(count);
}

WireTimeline::Clock::time_point WireTimeline::AnswerArrival(std::size_t count,
                                                            const UartSettings& line,
                                                            Clock::time_point now) {
    if (!enabled_) return now;
    const auto start = std::max({now, inboundDone_, outboundDone_});
    outboundDone_ = start + ByteTime(line) * static_cast<long long>(count);
    return outboundDone_;
}

}  // namespace updater::sim
