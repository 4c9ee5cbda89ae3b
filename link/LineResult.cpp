#include "link/LineResult.h"

#include <cstdio>

namespace updater {

namespace {

std::string HexByte(uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

std::string To(const std::string& about) { return about.empty() ? "" : " to " + about; }

std::string SweepText(const LineResult& result) {
    switch (result.seen) {
        case SweepSeen::Nothing:
            return "no radio answered at any speed, and nothing came back: is the radio in its "
                   "loader mode, and the cable on this port?";
        case SweepSeen::OwnBytes:
            return "no radio answered, but the Updater's own bytes came back as sent: a cable "
                   "that loops them back, or an adapter with nothing behind it";
        case SweepSeen::OtherBytes:
            return "no radio answered, but other bytes came: another device is talking on "
                   "this port, or it runs at a speed the radio does not use";
        case SweepSeen::AnsweredOnce:
            return "the radio answered at " + result.settings +
                   " bit/s but not after the move to 19200 bit/s";
    }
    return "no radio answered";
}

}  // namespace

const char* LineFaultWord(LineFault fault) {
    switch (fault) {
        case LineFault::None:
            return "ok";
        case LineFault::TimedOut:
            return "timeout";
        case LineFault::WrongByte:
            return "wrong-byte";
        case LineFault::Refused:
            return "refused";
        case LineFault::PortGone:
            return "port-gone";
        case LineFault::SettingsRefused:
            return "settings-refused";
        case LineFault::Stopped:
            return "stopped";
        case LineFault::NotOpen:
            return "not-open";
        case LineFault::NoRadio:
            return "no-radio";
        case LineFault::Mismatch:
            return "mismatch";
        case LineFault::Cancelled:
            return "cancelled";
    }
    return "failed";
}

std::string LineResultText(const LineResult& result) {
    switch (result.fault) {
        case LineFault::None:
            return {};
        case LineFault::TimedOut:
            if (result.got == 0) {
                return "no answer within " + std::to_string(result.waitedMs) + " ms" +
                       To(result.about);
            }
            return "only " + std::to_string(result.got) + " of " + std::to_string(result.wanted) +
                   " bytes within " + std::to_string(result.waitedMs) + " ms" +
                   (result.about.empty() ? "" : " in answer to " + result.about);
        case LineFault::WrongByte:
            return "the radio answered " + HexByte(result.received) + " instead of " +
                   HexByte(result.expected) + To(result.about);
        case LineFault::Refused:
            return "the radio refused " + (result.about.empty() ? "the command" : result.about) +
                   " (NAK)";
        case LineFault::PortGone:
            return "the port disappeared: was the adapter unplugged?";
        case LineFault::SettingsRefused:
            return "the port refused the line settings " + result.settings;
        case LineFault::Stopped:
            return "stopped by " + (result.stoppedBy.empty() ? "the user" : result.stoppedBy);
        case LineFault::NotOpen:
            return "the port is not open";
        case LineFault::NoRadio:
            return SweepText(result);
        case LineFault::Mismatch:
            return result.about.empty() ? "the radio's answer does not fit" : result.about;
        case LineFault::Cancelled:
            return result.about.empty() ? "cancelled" : result.about;
    }
    return "failed";
}

}  // namespace updater
