#pragma once
// What the loader can know of the time of an event on the line: not the instant itself, only an
// interval that surely holds it. Every pause is judged from these bounds, so a loader that looks
// at the line late can only see a pause as longer, never invent a short one.

#include <chrono>

#include "sim/UartSettings.h"

namespace updater::sim {

using SimClock = std::chrono::steady_clock;

// Bytes that came in one read: they reached the terminal after `notBefore` (taken before the last
// read that found the line empty) and no later than `seenBy` (taken after the read that got them).
// An open of the port is bounded the same way by the reads of its notification.
struct Arrival {
    SimClock::time_point notBefore{};
    SimClock::time_point seenBy{};
};

// The Updater changed the line settings after `after` (taken before the last sample that still
// showed `from`) and no later than `by` (taken after the first sample that showed `to`).
struct LineChange {
    SimClock::time_point after{};
    SimClock::time_point by{};
    UartSettings from;
    UartSettings to;
};

}  // namespace updater::sim
