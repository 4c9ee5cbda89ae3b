#include "sim/LoaderDialogue.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace updater::sim {

namespace {

constexpr uint8_t kSyn = 0x16;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr std::array<uint8_t, 8> kConnectionRequest{'Q', 'R', 'T', 'L', 'M', 'Z', 0xA7, 0x3C};
constexpr std::array<const char*, 5> kAreaCodes{"0A", "P2", "03", "02", "01"};
constexpr uint32_t kMainAreaFirst = 0x80000;
constexpr uint32_t kMainAreaLast = 0xEFFFF;
constexpr uint32_t kRangeStart = 0x0C0000;
constexpr uint32_t kRangeEnd = 0x0EFFFF;
constexpr int kConnectSpeed = 19200;
constexpr auto kLineChangeBound = std::chrono::seconds(3);
constexpr auto kAckDelay = std::chrono::milliseconds(30);
// A loader drops a frame whose bytes stop coming; the Updater never pauses inside one.
constexpr auto kFrameByteBound = std::chrono::milliseconds(1500);
constexpr std::size_t kMaxProblemLines = 200;
// A byte that answers nothing the Updater may expect: never ACK, SYN or NAK under any key the
// dialogue uses at the moment (it is sent scrambled like every answer).
constexpr uint8_t kGarbage = 0xA5;

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

long long Millis(std::chrono::steady_clock::duration d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

const char* EventName(SimEvent event) {
    switch (event) {
        case SimEvent::ConnectionRequest:
            return "connection request";
        case SimEvent::Identify:
            return "identify";
        case SimEvent::TagQuery:
            return "tag query";
        case SimEvent::VersionQuery:
            return "version query";
        case SimEvent::AreaCode:
            return "area code";
        case SimEvent::Checkpoint:
            return "checkpoint";
        case SimEvent::WFrame:
            return "'W' frame";
        case SimEvent::XFrame:
            return "'X' frame";
        case SimEvent::AddressRange:
            return "address range";
        case SimEvent::Bracket:
            return "0x5B";
        case SimEvent::End:
            return "end command";
    }
    return "event";
}

int SpeedForCode(uint8_t code) {
    switch (code) {
        case 1:
            return 19200;
        case 2:
            return 38400;
        case 3:
            return 57600;
        default:
            return 0;
    }
}

}  // namespace

std::array<uint8_t, 48> LoaderDialogue::IdentityReply(const SimOptions& options) {
    std::array<uint8_t, 48> reply{};
    std::copy(options.model.begin(), options.model.end(), reply.begin());
    // Bytes 16-31: the loader's own name and revision, as a loader might report them.
    constexpr char kLoaderName[] = "BOOT LDR 1.07";
    std::fill(reply.begin() + 16, reply.begin() + 32, 0x00);
    std::copy(kLoaderName, kLoaderName + sizeof kLoaderName - 1, reply.begin() + 16);
    // Bytes 32-43: the key material; varied so that the key is not a trivial value.
    constexpr std::array<uint8_t, 12> kKeyMaterial{0x3B, 0xC4, 0x71, 0x0E, 0x9A, 0x25,
                                                   0xD8, 0x63, 0xF1, 0x4C, 0x87, 0x12};
    std::copy(kKeyMaterial.begin(), kKeyMaterial.end(), reply.begin() + 32);
    std::fill(reply.begin() + 44, reply.end(), 0xFF);
    return reply;
}

LoaderDialogue::LoaderDialogue(SimOptions options)
    : options_(std::move(options)),
      identity_(IdentityReply(options_)),
      judge_(options_.modelWireTime, options_.timingTolerance,
             [this](const std::string& problem) { Problem(problem); }),
      memory_(kMemorySize, 0xFF),
      written_(kMemorySize, false) {}

bool LoaderDialogue::InDialogue() const {
    return phase_ != Phase::Listening && phase_ != Phase::AwaitLine19200;
}

bool LoaderDialogue::AwaitingReply() const {
    return phase_ == Phase::AwaitHandshake || phase_ == Phase::AwaitIdentityAck ||
           phase_ == Phase::AwaitQueryAck;
}

std::vector<LoaderDialogue::Reply> LoaderDialogue::TakeAnswers() {
    std::vector<Reply> out;
    out.swap(answers_);
    return out;
}

bool LoaderDialogue::FeedRequestMatcher(uint8_t byte) {
    if (byte == kConnectionRequest[requestMatched_]) {
        ++requestMatched_;
    } else {
        requestMatched_ = byte == kConnectionRequest[0] ? 1 : 0;
    }
    if (requestMatched_ < kConnectionRequest.size()) return false;
    requestMatched_ = 0;
    return true;
}

bool LoaderDialogue::IsRequestLine(const UartSettings& line) const {
    return line.eightBitsNoParity && line.speed == options_.listenSpeed &&
           (options_.stopBits == 0 || options_.stopBits == line.stopBits);
}

bool LoaderDialogue::Understands(const UartSettings& line) const {
    return line.speed == session_.speed && line.eightBitsNoParity;
}

bool LoaderDialogue::UnderstoodOnlyAfter(const UartSettings& before,
                                         const UartSettings& after) const {
    if (IsRequestLine(after) && !IsRequestLine(before)) return true;
    return InDialogue() && Understands(after) && !Understands(before);
}

void LoaderDialogue::Receive(const uint8_t* data, std::size_t count, const Arrival& arrival,
                             const UartSettings& before, const UartSettings& after,
                             bool lineKnown) {
    // The line may have changed during the read; either sample may hold the bytes' settings.
    const bool requestLine = IsRequestLine(before) || IsRequestLine(after);
    const UartSettings& requestSettings = IsRequestLine(before) ? before : after;
    current_ = arrival;
    std::size_t notUnderstood = 0;
    for (std::size_t i = 0; i < count && !hangUp_; ++i) {
        const uint8_t byte = data[i];
        lastByteAt_ = arrival.seenBy;
        judge_.ByteArrived(arrival);
        if (requestLine) {
            if (FeedRequestMatcher(byte)) {
                StartSession(requestSettings);
                continue;
            }
        } else {
            requestMatched_ = 0;
        }
        if (!InDialogue()) continue;  // outside the dialogue everything else is line noise
        if (!lineKnown && !Understands(before) && !Understands(after)) {
            UartSettings assumed = after;
            assumed.speed = session_.speed;
            assumed.eightBitsNoParity = true;
            currentLine_ = assumed;
            DialogueByte(byte);
            continue;
        }
        if (!Understands(before) && !Understands(after)) {
            if (requestLine && requestMatched_ > 0) continue;  // may be a new request
            ++notUnderstood;
            // A half-received command is lost with the bytes the loader could not read.
            if (phase_ != Phase::Command && phase_ != Phase::AwaitIdentify) {
                phase_ = phase_ < Phase::Command ? Phase::AwaitIdentify : Phase::Command;
            }
            continue;
        }
        currentLine_ = Understands(after) ? after : before;
        DialogueByte(byte);
    }
    if (notUnderstood > 0) {
        Problem(std::to_string(notUnderstood) + " byte(s) at " + std::to_string(after.speed) +
                " bit/s" + (after.eightBitsNoParity ? "" : " (not 8 bits, no parity)") +
                " while the loader runs at " + std::to_string(session_.speed) +
                " bit/s: not understood");
    }
}

void LoaderDialogue::PortOpened(const Arrival& open) { judge_.PortOpened(open); }

void LoaderDialogue::LineChanged(const LineChange& change) { judge_.LineChanged(change); }

void LoaderDialogue::Tick(const UartSettings& line, std::size_t pendingForUpdater,
                          Clock::time_point now) {
    if (phase_ == Phase::AwaitLine19200) {
        // The loader switches its own port after the SYN has gone out, then answers; an ACK
        // sent while the Updater still reconfigures its port could be flushed away there.
        if (line.speed == kConnectSpeed && pendingForUpdater == 0) {
            if (!line19200Since_) line19200Since_ = now;
        } else {
            line19200Since_.reset();
        }
        if (!options_.faults.noAck && line19200Since_ && now - *line19200Since_ >= kAckDelay) {
            session_.speed = kConnectSpeed;
            Answer({kAck});
            Log("ACK at 19200 bit/s");
            phase_ = Phase::AwaitIdentify;
        } else if (now - synAt_ > kLineChangeBound) {
            if (options_.faults.noAck) {
                EndDialogue(false, "no ACK (fault)");
            } else {
                Problem("the line did not move to 19200 bit/s within 3 s of SYN");
                EndDialogue(false, "no line at 19200 bit/s");
            }
        }
        return;
    }
    // After an answer the loader waits for the Updater's reply as long as it takes (a busy
    // machine may take its time; a new connection request starts over anyway). Inside a
    // command or frame the Updater never pauses: a frame whose bytes stop is dropped.
    if (InDialogue() && !AwaitingReply() && phase_ != Phase::Command &&
        phase_ != Phase::AwaitIdentify && now - lastByteAt_ > kFrameByteBound) {
        Problem("an unfinished command or frame was dropped after " +
                std::to_string(Millis(now - lastByteAt_)) + " ms without bytes");
        phase_ = phase_ < Phase::Command ? Phase::AwaitIdentify : Phase::Command;
    }
}

std::optional<LoaderDialogue::Clock::time_point> LoaderDialogue::NextTimedChange() const {
    if (phase_ == Phase::AwaitLine19200) {
        auto next = synAt_ + kLineChangeBound;
        if (line19200Since_) next = std::min(next, *line19200Since_ + kAckDelay);
        return next;
    }
    if (InDialogue() && !AwaitingReply() && phase_ != Phase::Command &&
        phase_ != Phase::AwaitIdentify) {
        return lastByteAt_ + kFrameByteBound;
    }
    return std::nullopt;
}

void LoaderDialogue::PortReleased() {
    if (report_.dialogueEnded) return;
    report_.dialogueEnded = true;
    if (report_.sessions == 0) {
        report_.ending = "the port was closed without a connection request at " +
                         std::to_string(options_.listenSpeed) + " bit/s";
    } else {
        report_.ending =
            "the port was closed before the end command (last: " +
            (report_.commands.empty() ? std::string("nothing") : report_.commands.back()) + ")";
    }
}

void LoaderDialogue::StartSession(const UartSettings& line) {
    if (InDialogue() || phase_ == Phase::AwaitLine19200) {
        Log("connection request during the dialogue: starting again");
    }
    if (options_.faults.noSyn) {
        Log("connection request at " + std::to_string(line.speed) + " bit/s ignored (fault)");
        EndDialogue(false, "no SYN (fault)");
        return;
    }
    if (!Occur(SimEvent::ConnectionRequest, "connection request")) return;
    session_ = Session{};
    judge_.SessionStarted();
    session_.speed = line.speed;
    frame_.clear();
    report_.sessions++;
    report_.dialogueEnded = false;
    report_.ending.clear();
    report_.linkKey = -1;
    endedCleanly_ = false;
    Log("connection request at " + std::to_string(line.speed) + " bit/s, " +
        std::to_string(line.stopBits) + " stop bit(s)");
    Answer({kSyn});
    Log("SYN");
    synAt_ = current_.seenBy;
    line19200Since_.reset();
    phase_ = Phase::AwaitLine19200;
}

void LoaderDialogue::DialogueByte(uint8_t raw) {
    switch (phase_) {
        case Phase::AwaitIdentify:
            if (raw != 0x02) {
                Problem("byte 0x" + Hex(raw, 2) + " before identification: not understood");
                return;
            }
            Log("identify");
            if (!Occur(SimEvent::Identify, "identify")) return;
            if (options_.faults.shortIdentityReply > 0) {
                const auto count = std::min<std::size_t>(
                    static_cast<std::size_t>(options_.faults.shortIdentityReply), identity_.size());
                Answer(identity_.data(), count);
                EndDialogue(false,
                            "identity cut short after " + std::to_string(count) + " bytes (fault)");
                return;
            }
            Answer(identity_.data(), identity_.size());
            phase_ = Phase::AwaitHandshake;
            return;
        case Phase::AwaitHandshake:
            session_.handshake = raw;
            phase_ = Phase::AwaitIdentityAck;
            return;
        case Phase::AwaitIdentityAck: {
            if (raw != kAck) {
                Problem("expected ACK after the handshake byte, got 0x" + Hex(raw, 2));
                phase_ = Phase::AwaitIdentify;
                return;
            }
            Answer({kAck});
            const int checksum =
                std::accumulate(identity_.begin() + 32, identity_.begin() + 44, 0) & 0xFF;
            session_.key = static_cast<uint8_t>(session_.handshake ^ checksum);
            report_.linkKey = session_.key;
            Log("handshake 0x" + Hex(session_.handshake, 2) + ", link key 0x" +
                Hex(session_.key, 2));
            phase_ = Phase::Command;
            return;
        }
        default:
            KeyedByte(static_cast<uint8_t>(raw ^ session_.key));
            return;
    }
}

void LoaderDialogue::KeyedByte(uint8_t byte) {
    switch (phase_) {
        case Phase::Command:
            StartCommand(byte);
            return;
        case Phase::AwaitQueryAck:
            phase_ = Phase::Command;
            if (byte == kAck) {
                Answer({kAck});
                return;
            }
            Problem("expected ACK after the 16-byte answer, got 0x" + Hex(byte, 2));
            StartCommand(byte);
            return;
        case Phase::AreaCodeArgs:
            frame_.push_back(byte);
            if (frame_.size() == 2) {
                phase_ = Phase::Command;
                AreaCode(static_cast<char>(frame_[0]), static_cast<char>(frame_[1]));
            }
            return;
        case Phase::SpeedCode:
            phase_ = Phase::Command;
            SpeedChange(byte);
            return;
        case Phase::BlockFrame:
            frame_.push_back(byte);
            if (frame_.size() == 4 && (frame_[3] == 0 || frame_[3] > 128)) {
                Problem("'" + std::string(1, static_cast<char>(frameCommand_)) +
                        "' frame with byte count " + std::to_string(frame_[3]) + " dropped");
                phase_ = Phase::Command;
            } else if (frame_.size() >= 4 && frame_.size() == 5u + frame_[3]) {
                phase_ = Phase::Command;
                BlockDone();
            }
            return;
        case Phase::AddressRange:
            frame_.push_back(byte);
            if (frame_.size() == 8) {
                phase_ = Phase::Command;
                AddressRangeDone();
            }
            return;
        default:
            return;
    }
}

void LoaderDialogue::StartCommand(uint8_t byte) {
    judge_.CommandStarted(byte);
    const bool checkpointReady = session_.checkpointReady;
    session_.checkpointReady = false;
    switch (byte) {
        case 0x40:
            Log("tag query");
            if (!Occur(SimEvent::TagQuery, "tag query")) return;
            if (options_.faults.silentTagQuery) {
                Log("tag query not answered (fault)");
                return;
            }
            Answer(options_.topAreaTag.data(), options_.topAreaTag.size());
            phase_ = Phase::AwaitQueryAck;
            return;
        case 0x50: {
            Log("version query");
            if (!Occur(SimEvent::VersionQuery, "version query")) return;
            if (options_.faults.noVersionAnswer) {
                EndDialogue(false, "version query not answered (fault)");
                return;
            }
            std::array<uint8_t, 16> version;
            version.fill(0xFF);
            if (options_.version) version = *options_.version;
            Answer(version.data(), version.size());
            phase_ = Phase::AwaitQueryAck;
            return;
        }
        case 0x52:
            frame_.clear();
            phase_ = Phase::AreaCodeArgs;
            return;
        case 0x0F:
            phase_ = Phase::SpeedCode;
            return;
        case 0x57:
        case 0x58:
            frameCommand_ = byte;
            frameFirst_ = current_;
            frame_.clear();
            phase_ = Phase::BlockFrame;
            if (byte == 0x57) Occur(SimEvent::WFrame, "'W' frame");
            return;
        case kAck:
            if (checkpointReady) judge_.CheckpointAcked(current_, currentLine_);
            Checkpoint(checkpointReady);
            return;
        case 0xF3:
            frame_.clear();
            phase_ = Phase::AddressRange;
            return;
        case 0x5B:
            Log("0x5B");
            if (!Occur(SimEvent::Bracket, "0x5B")) return;
            if (!session_.rangeSeen) Problem("0x5B before the address range frame");
            session_.bracketSeen = true;
            Answer({kAck});
            return;
        case 0x45:
            Log("end");
            report_.endReceived = true;
            if (!Occur(SimEvent::End, "end command")) return;
            if (options_.faults.nakEnd) {
                Answer({kNak});
                EndDialogue(false, "end command refused (fault)");
                return;
            }
            Answer({kAck});
            EndDialogue(true, "end command");
            return;
        default:
            Problem("command byte 0x" + Hex(byte, 2) + " not understood");
            return;
    }
}

void LoaderDialogue::AreaCode(char first, char second) {
    const std::string code{first, second};
    session_.areaCodeCount++;
    Log("area code " + code);
    if (!Occur(SimEvent::AreaCode, "area code " + code)) return;
    if (session_.areaCodeCount == options_.faults.refuseAreaCode) {
        Answer({kNak});
        EndDialogue(false, "area code " + code + " refused (fault)");
        return;
    }
    if (code == "00") {
        if (!session_.bracketSeen) Problem("area code 00 before 0x5B");
        session_.code00Seen = true;
        Answer({kAck});
        return;
    }
    const auto known = std::find(kAreaCodes.begin(), kAreaCodes.end(), code);
    if (known == kAreaCodes.end()) {
        Problem("unknown area code '" + code + "'");
        Answer({kNak});
        return;
    }
    if (session_.areaCodesDone < static_cast<int>(kAreaCodes.size()) &&
        code == kAreaCodes[session_.areaCodesDone]) {
        session_.areaCodesDone++;
    } else {
        Problem("area code " + code + " out of order");
    }
    Answer({kAck});
}

void LoaderDialogue::SpeedChange(uint8_t code) {
    judge_.SpeedCodeReceived(current_, currentLine_);
    const int speed = SpeedForCode(code);
    if (speed == 0) {
        Problem("unknown speed code " + std::to_string(code));
        return;
    }
    Log("speed code " + std::to_string(code) + " (" + std::to_string(speed) + " bit/s)");
    session_.speed = speed;
    session_.checkpointReady = code == 1;
}

void LoaderDialogue::Checkpoint(bool ready) {
    session_.checkpointCount++;
    report_.checkpoints++;
    Log("checkpoint");
    if (!Occur(SimEvent::Checkpoint, "checkpoint")) return;
    if (!ready) Problem("ACK outside a checkpoint (no speed change to 19200 before it)");
    if (session_.checkpointCount == options_.faults.silentCheckpoint) {
        EndDialogue(false, "checkpoint " + std::to_string(session_.checkpointCount) +
                               " not answered (fault)");
        return;
    }
    checkpointAnswerNext_ = true;
    Answer({kAck});
}

void LoaderDialogue::BlockDone() {
    const bool isW = frameCommand_ == 0x57;
    const char name = static_cast<char>(frameCommand_);
    const uint32_t address = (uint32_t{frame_[0]} << 16) | (uint32_t{frame_[1]} << 8) | frame_[2];
    const std::size_t count = frame_[3];
    const uint8_t* data = frame_.data() + 4;
    const uint8_t checksum = frame_[4 + count];
    report_.frames++;
    LogFrame(frameCommand_, address);
    if (isW) judge_.WFrameEnded(address, frame_.size() + 1, frameFirst_, current_, currentLine_);
    if (isW && session_.areaCodesDone < static_cast<int>(kAreaCodes.size())) {
        Problem("'W' frame before the area codes 0A P2 03 02 01");
    }
    if (!isW) {
        session_.xCount++;
        if (!session_.code00Seen) Problem("'X' frame before area code 00");
    }
    const uint8_t sum = static_cast<uint8_t>(std::accumulate(data, data + count, 0u));
    bool good = true;
    if (sum != checksum) {
        Problem(std::string("'") + name + "' frame at 0x" + Hex(address, 6) + ": checksum 0x" +
                Hex(checksum, 2) + " but data sum 0x" + Hex(sum, 2));
        good = false;
    } else if (address + count > kMemorySize) {
        Problem(std::string("'") + name + "' frame at 0x" + Hex(address, 6) +
                " reaches beyond the memory");
        good = false;
    }
    // The area checksum covers the main-area pass: every byte of each 'W' frame that starts in
    // the main area, those of a frame reaching past the area's top included.
    const bool mainAreaFrame = isW && address >= kMainAreaFirst && address <= kMainAreaLast;
    if (good) {
        for (std::size_t i = 0; i < count; ++i) {
            memory_[address + i] = data[i];
            written_[address + i] = true;
            if (mainAreaFrame) {
                session_.mainAreaSum = static_cast<uint16_t>(session_.mainAreaSum + data[i] - 255);
            }
        }
        report_.bytes += static_cast<long>(count);
    }
    if (isW) return;
    if (!Occur(SimEvent::XFrame, "'X' frame " + std::to_string(session_.xCount))) return;
    if (session_.xCount == options_.faults.noXAck) {
        EndDialogue(false,
                    "'X' frame " + std::to_string(session_.xCount) + " not acknowledged (fault)");
        return;
    }
    Answer({good ? kAck : kNak});
}

void LoaderDialogue::AddressRangeDone() {
    const uint32_t start = (uint32_t{frame_[0]} << 16) | (uint32_t{frame_[1]} << 8) | frame_[2];
    const uint32_t end = (uint32_t{frame_[3]} << 16) | (uint32_t{frame_[4]} << 8) | frame_[5];
    const uint16_t checksum = static_cast<uint16_t>((frame_[6] << 8) | frame_[7]);
    Log("address range " + Hex(start, 6) + "-" + Hex(end, 6) + ", checksum 0x" + Hex(checksum, 4));
    if (!Occur(SimEvent::AddressRange, "address range")) return;
    if (session_.areaCodesDone < static_cast<int>(kAreaCodes.size())) {
        Problem("address range frame before the area codes 0A P2 03 02 01");
    }
    session_.rangeSeen = true;
    report_.areaChecksumChecked = true;
    bool ok = true;
    if (start != kRangeStart || end != kRangeEnd) {
        Problem("address range " + Hex(start, 6) + "-" + Hex(end, 6) + ", expected " +
                Hex(kRangeStart, 6) + "-" + Hex(kRangeEnd, 6));
        ok = false;
    }
    if (checksum != session_.mainAreaSum) {
        uint32_t rangeSum = 0;
        for (uint32_t a = kRangeStart; a <= kRangeEnd; ++a) rangeSum += memory_[a];
        Problem("area checksum 0x" + Hex(checksum, 4) +
                ", but the main-area frames received give 0x" + Hex(session_.mainAreaSum, 4) +
                " (byte sum of " + Hex(kRangeStart, 6) + "-" + Hex(kRangeEnd, 6) + ": 0x" +
                Hex(rangeSum & 0xFFFF, 4) + ")");
        ok = false;
    }
    report_.areaChecksumOk = ok;
    Answer({ok ? kAck : kNak});
}

void LoaderDialogue::EndDialogue(bool clean, const std::string& why) {
    Log("dialogue over: " + why);
    report_.dialogueEnded = true;
    report_.ending = why;
    endedCleanly_ = clean;
    phase_ = Phase::Listening;
    requestMatched_ = 0;
}

void LoaderDialogue::Answer(std::initializer_list<uint8_t> bytes) {
    Answer(bytes.begin(), bytes.size());
}

void LoaderDialogue::Answer(const uint8_t* bytes, std::size_t count) {
    Reply reply;
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t byte = garbageNext_ ? kGarbage : bytes[i];
        reply.bytes.push_back(static_cast<uint8_t>(byte ^ session_.key));
    }
    if (lateNext_) reply.delay = std::chrono::milliseconds(options_.faults.lateAnswerMs);
    reply.checkpointAnswer = checkpointAnswerNext_;
    lateNext_ = garbageNext_ = checkpointAnswerNext_ = false;
    answers_.push_back(std::move(reply));
}

bool LoaderDialogue::Occur(SimEvent event, const std::string& what) {
    const int n = ++occurrences_[static_cast<std::size_t>(event)];
    const auto strikes = [&](const EventFault& fault) {
        return fault.occurrence == n && fault.at == event;
    };
    const auto& faults = options_.faults;
    if (strikes(faults.hangUp)) {
        hangUp_ = true;
        report_.hungUp = true;
        EndDialogue(false, "hung up at " + what + " (" + EventName(event) + " " +
                               std::to_string(n) + ", fault)");
        return false;
    }
    lateNext_ = strikes(faults.lateAnswer);
    garbageNext_ = strikes(faults.garbageAnswer);
    if (lateNext_) {
        Log("fault: the answer to " + what + " comes " + std::to_string(faults.lateAnswerMs) +
            " ms late");
    }
    if (garbageNext_) Log("fault: the answer to " + what + " is garbled");
    return true;
}

void LoaderDialogue::Log(const std::string& entry) {
    report_.commands.push_back(entry);
    frameRunEntry_.reset();
}

// Block frames come by the thousand: a run of them is one log entry with a count.
void LoaderDialogue::LogFrame(uint8_t command, uint32_t address) {
    if (!frameRunEntry_ || frameRunCommand_ != command) {
        report_.commands.emplace_back();
        frameRunEntry_ = report_.commands.size() - 1;
        frameRunCommand_ = command;
        frameRunFirst_ = address;
        frameRunCount_ = 0;
    }
    frameRunCount_++;
    report_.commands[*frameRunEntry_] = std::string(1, static_cast<char>(command)) + " x" +
                                        std::to_string(frameRunCount_) + " from 0x" +
                                        Hex(frameRunFirst_, 6);
}

void LoaderDialogue::Problem(const std::string& text) {
    report_.errors++;
    if (report_.problems.size() < kMaxProblemLines) {
        report_.problems.push_back(text);
    } else if (report_.problems.size() == kMaxProblemLines) {
        report_.problems.push_back("(further problems not listed)");
    }
}

}  // namespace updater::sim
