#include "protocol/LinkSession.h"

#include <span>

#include "link/Timing.h"

namespace updater {

namespace {

// The fixed request that asks the radio's loader to enter firmware-loading mode.
constexpr uint8_t kConnectionRequest[8] = {'Q', 'R', 'T', 'L', 'M', 'Z', 0xA7, 0x3C};

// The loader may listen at any of these speeds; they are tried in this fixed order.
constexpr const char* kSweepSpeeds[] = {"9600", "19200", "4800", "2400", "1200", "38400", "57600"};

constexpr int kAnswerReads = 5;
constexpr uint32_t kSweepReadTimeoutMs = 500;
constexpr uint32_t kAckReadTimeoutMs = 3000;
constexpr uint32_t kSettleMs = 100;

// Falls back to the default line format when a settings text carries no tail at all.
constexpr const char* kDefaultTailWithoutStopBits = ",N,8,";

// Pauses between the retries of the handshake are plain sleeps: nothing is timed against them.
void PauseMs(int ms) { SleepMs(static_cast<uint32_t>(ms)); }

// Restores the read time-out in force when it was made, on every way out of a scope.
class ReadTimeoutGuard {
  public:
    explicit ReadTimeoutGuard(LinkPort& link) : link_(link), noted_(link.ReadTimeout()) {}
    ~ReadTimeoutGuard() { static_cast<void>(link_.SetReadTimeout(noted_)); }
    ReadTimeoutGuard(const ReadTimeoutGuard&) = delete;
    ReadTimeoutGuard& operator=(const ReadTimeoutGuard&) = delete;

  private:
    LinkPort& link_;
    uint32_t noted_;
};

// What the sweep heard, for saying why no radio answered.
struct SweepNotes {
    bool ownBytes = false;    // some speed gave back a part of the request, as sent
    bool otherBytes = false;  // some speed gave bytes that were neither the request nor SYN
    LineFault lineFault = LineFault::None;  // the port went away, or a stop
    std::string answeredAt;                 // the speed that gave SYN but no ACK
};

// Up to five one-byte reads for `wanted`, with a pause after each miss. Notes what came instead:
// the bytes of `sent` back in their order are the request's own echo.
bool AwaitByte(LinkPort& link, uint8_t wanted, int pauseMs, std::span<const uint8_t> sent,
               SweepNotes& notes) {
    size_t echoed = 0;
    for (int attempt = 0; attempt < kAnswerReads; ++attempt) {
        uint8_t byte = 0;
        const LineResult read = link.Read(&byte, 1);
        if (read && byte == wanted) return true;
        if (read.fault == LineFault::PortGone || read.fault == LineFault::Stopped) {
            notes.lineFault = read.fault;
        } else if (read) {
            if (echoed < sent.size() && byte == sent[echoed]) {
                ++echoed;
                notes.ownBytes = true;
            } else {
                notes.otherBytes = true;
            }
        }
        PauseMs(pauseMs);
    }
    return false;
}

LineResult NoRadio(const SweepNotes& notes) {
    if (notes.lineFault != LineFault::None) return LineResult::Failed(notes.lineFault);
    LineResult result = LineResult::Failed(LineFault::NoRadio);
    if (!notes.answeredAt.empty()) {
        result.seen = SweepSeen::AnsweredOnce;
        result.settings = notes.answeredAt;
    } else if (notes.otherBytes) {
        result.seen = SweepSeen::OtherBytes;
    } else if (notes.ownBytes) {
        result.seen = SweepSeen::OwnBytes;
    }
    return result;
}

uint8_t IdentityChecksum(const uint8_t* reply) {
    unsigned sum = 0;
    for (size_t i = 32; i <= 43; ++i) sum += reply[i];
    return static_cast<uint8_t>(sum % 256);
}

}  // namespace

uint8_t StartSession(LinkPort& link) {
    const LocalTime now = LocalTimeNow();
    link.linkKey = 0;
    link.seed = static_cast<uint8_t>((now.minute + now.second) % 256);
    if (link.unencrypted != 0) link.seed = 0;
    return link.seed;
}

std::string SettingsTail(const std::string& settings) {
    const size_t comma = settings.find(',', 1);
    if (comma == std::string::npos) return {};
    return settings.substr(comma);
}

std::string ConnectionTail(const std::string& settings, int stopBits) {
    std::string tail = SettingsTail(settings);
    if (tail.size() < 2) tail = std::string(kDefaultTailWithoutStopBits) + "2";
    if (stopBits == 1 || stopBits == 2) {
        tail.pop_back();
        tail += std::to_string(stopBits);
    }
    return tail;
}

LineResult CheckConnection(LinkPort& link, const SweepObserver& speedTried) {
    ReadTimeoutGuard restoreTimeout(link);
    const std::string tail = ConnectionTail(link.Settings(), link.stopBits);
    StartSession(link);
    SweepNotes notes;

    for (const char* speed : kSweepSpeeds) {
        if (speedTried) speedTried(speed);
        static_cast<void>(link.SetReadTimeout(kSweepReadTimeoutMs));
        if (LineResult set = link.SetSettings(speed + tail); !set) {
            if (set.fault != LineFault::SettingsRefused) notes.lineFault = set.fault;
            continue;
        }
        WaitMs(kSettleMs);
        if (LineResult sent = link.WriteBlock(kConnectionRequest, sizeof kConnectionRequest);
            !sent) {
            return sent;
        }
        if (!AwaitByte(link, SYN, 20, kConnectionRequest, notes)) continue;

        // The loader has heard the request; it moves to 19200 bit/s on its own and confirms.
        if (LineResult set = link.SetSettings("19200" + tail); !set) return set;
        WaitMs(kSettleMs);
        if (AwaitByte(link, ACK, 10, {}, notes)) return LineResult::Success();
        notes.answeredAt = speed;
    }
    return NoRadio(notes);
}

void SetReplyChecksum(LinkPort& link, const uint8_t* reply) {
    if (reply == nullptr) return;
    link.replyChecksum = IdentityChecksum(reply);
}

void SetLinkKey(LinkPort& link, const uint8_t* reply) {
    // Unencrypted, the handshake byte is the checksum itself, so the radio's key is 0 whatever
    // the seed holds.
    if (link.unencrypted != 0) {
        link.linkKey = 0;
        return;
    }
    if (reply == nullptr) return;
    link.linkKey = static_cast<uint8_t>(link.seed ^ IdentityChecksum(reply));
}

LineResult WaitAck(LinkPort& link) {
    ReadTimeoutGuard restoreTimeout(link);
    static_cast<void>(link.SetReadTimeout(kAckReadTimeoutMs));
    uint8_t byte = 0;
    LineResult read = link.Read(&byte, 1);
    if (!read || byte == ACK) return read;
    LineResult wrong = LineResult::WrongByte(ACK, byte);
    if (byte == NAK) wrong.fault = LineFault::Refused;
    return wrong;
}

LineResult SwitchSpeed(LinkPort& link, uint8_t code) {
    const uint32_t noted = link.ReadTimeout();
    const char* speed = code == kSpeedCode38400   ? "38400"
                        : code == kSpeedCode57600 ? "57600"
                                                  : "19200";
    if (LineResult set = link.SetSettings(speed + SettingsTail(link.Settings())); !set) return set;
    WaitMs(kSettleMs);
    // Applies the time-outs to the port again after the change of line settings.
    static_cast<void>(link.SetReadTimeout(noted));
    return LineResult::Success();
}

}  // namespace updater
