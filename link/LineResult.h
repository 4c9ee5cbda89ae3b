#pragma once
// What a call that talks to the line made of it: success, or why not, with what was seen.
// One convention from the serial device up to each step of an update: a result tests true
// for success and false for anything else, and carries enough to say why in one sentence.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace updater {

enum class LineFault : uint8_t {
    None,
    TimedOut,         // the wait ended before all bytes came (waitedMs, got of wanted)
    WrongByte,        // a byte came, but not the one expected (expected, received)
    Refused,          // the radio answered NAK where it should have acknowledged
    PortGone,         // the device went away or hung up
    SettingsRefused,  // the port cannot run the line settings (settings)
    Stopped,          // the transfer was interrupted by a stop
    NotOpen,          // the port is not open, or the call was refused before any transfer
    NoRadio,          // the search heard no radio answer at any speed (sweep)
    Mismatch,         // the radio answered, but not what fits (about says what)
    Cancelled,        // the user declined to go on
};

// What the search saw at the speeds it tried, for saying why no radio answered.
enum class SweepSeen : uint8_t {
    Nothing,      // not one byte at any speed
    OwnBytes,     // the request came back as it was sent: a loop-back or an empty adapter
    OtherBytes,   // bytes that are not the radio's answer: another device or another speed
    AnsweredOnce  // the radio answered at one speed and fell silent after the move to 19200
};

struct LineResult {
    LineFault fault = LineFault::None;
    uint32_t waitedMs = 0;                // TimedOut: how long the read waited
    uint32_t got = 0;                     // TimedOut: bytes that arrived
    uint32_t wanted = 0;                  // TimedOut: bytes asked for
    uint8_t expected = 0;                 // WrongByte, Refused
    uint8_t received = 0;                 // WrongByte, Refused
    SweepSeen seen = SweepSeen::Nothing;  // NoRadio
    std::string settings;  // SettingsRefused: the settings text; NoRadio: the answering speed
    // Stopped: who stopped it, in words ("Ctrl+C"); empty when not told.
    std::string stoppedBy;
    // What the line was asked for, in words ("the area code 03"); empty where it adds nothing.
    std::string about;

    explicit operator bool() const { return fault == LineFault::None; }
    bool Ok() const { return fault == LineFault::None; }

    static LineResult Success() { return {}; }
    static LineResult Failed(LineFault fault) {
        LineResult result;
        result.fault = fault;
        return result;
    }
    static LineResult TimedOut(uint32_t waitedMs, uint32_t got, uint32_t wanted) {
        LineResult result = Failed(LineFault::TimedOut);
        result.waitedMs = waitedMs;
        result.got = got;
        result.wanted = wanted;
        return result;
    }
    static LineResult WrongByte(uint8_t expected, uint8_t received) {
        LineResult result = Failed(LineFault::WrongByte);
        result.expected = expected;
        result.received = received;
        return result;
    }
    static LineResult SettingsRefused(const std::string& settings) {
        LineResult result = Failed(LineFault::SettingsRefused);
        result.settings = settings;
        return result;
    }
    // The same result, said of what.
    LineResult& About(std::string what) {
        about = std::move(what);
        return *this;
    }
};

// A short word for a trace ("ok", "timeout", "wrong-byte", ...).
const char* LineFaultWord(LineFault fault);

// The result in one plain sentence, without the command it belongs to ("no answer within
// 3000 ms", "the port disappeared: was the adapter unplugged?"); empty for success.
std::string LineResultText(const LineResult& result);

}  // namespace updater
