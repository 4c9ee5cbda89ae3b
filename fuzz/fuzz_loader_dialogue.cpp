// libFuzzer target: the simulated radio's loader dialogue, fed bytes as if from the Updater. The
// input is a script of what arrives on the line and when, so that the fuzzer can change the
// line's speed and format and let time pass between bytes, as a real Updater does.
//
//   byte 0:      bit 0 opens the port, makes the connection and the key agreement first (so
//                that the fuzzer starts among the keyed commands), bit 1 then applies the link
//                key to every later byte, bit 2 turns the wire-time model off, bits 3-7 choose
//                a fault of the loader
//   byte 1:      the fault's event (low 4 bits) and occurrence (high 4 bits, plus 1)
//   then chunks: a control byte (bits 0-1 the speed: 9600, 19200, 38400, 57600 bit/s; bit 2
//                two stop bits; bit 3 a format other than 8 bits without parity; bits 4-7 the
//                time that passes before the chunk, in steps of 16 ms), a length byte, and
//                that many bytes, which arrive together.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/LoaderDialogue.h"

namespace {

using updater::sim::Arrival;
using updater::sim::LineChange;
using updater::sim::LoaderDialogue;
using updater::sim::SimEvent;
using updater::sim::UartSettings;
using Clock = LoaderDialogue::Clock;

constexpr std::array<int, 4> kSpeeds{9600, 19200, 38400, 57600};
constexpr std::array<uint8_t, 8> kConnectionRequest{'Q', 'R', 'T', 'L', 'M', 'Z', 0xA7, 0x3C};
constexpr uint8_t kAck = 0x06;
constexpr int kEvents = static_cast<int>(SimEvent::End) + 1;
// Comfortably more than the loader waits before it answers at 19200 bit/s.
constexpr auto kConnectionWait = std::chrono::milliseconds(100);
constexpr size_t kMaxProblemLines = 200;

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

updater::sim::SimOptions OptionsFor(uint8_t options, uint8_t fault) {
    updater::sim::SimOptions sim;
    sim.modelWireTime = (options & 0x4) == 0;
    const updater::sim::EventFault event{static_cast<SimEvent>((fault & 0xF) % kEvents),
                                         1 + (fault >> 4)};
    auto& faults = sim.faults;
    switch ((options >> 3) % 12) {
        case 1:
            faults.noSyn = true;
            break;
        case 2:
            faults.noAck = true;
            break;
        case 3:
            faults.shortIdentityReply = event.occurrence;
            break;
        case 4:
            faults.silentTagQuery = true;
            break;
        case 5:
            faults.noVersionAnswer = true;
            break;
        case 6:
            faults.refuseAreaCode = event.occurrence;
            break;
        case 7:
            faults.silentCheckpoint = event.occurrence;
            break;
        case 8:
            faults.noXAck = event.occurrence;
            break;
        case 9:
            faults.hangUp = event;
            break;
        case 10:
            faults.lateAnswer = event;
            break;
        case 11:
            faults.garbageAnswer = event;
            break;
        default:
            break;  // the loader as it should be
    }
    return sim;
}

// Everything that arrives on the line, and every change of it, in order and with its time.
class Line {
  public:
    explicit Line(LoaderDialogue& dialogue) : dialogue_(dialogue) {}

    void Set(const UartSettings& line) {
        if (line.speed != line_.speed || line.stopBits != line_.stopBits ||
            line.eightBitsNoParity != line_.eightBitsNoParity) {
            dialogue_.LineChanged(LineChange{now_, now_, line_, line});
            line_ = line;
        }
    }
    void Wait(Clock::duration d) { now_ += d; }
    void Send(const uint8_t* bytes, size_t count) {
        dialogue_.Receive(bytes, count, Arrival{now_, now_}, line_, line_);
        dialogue_.Tick(line_, 0, now_);
    }
    Clock::time_point Now() const { return now_; }

  private:
    LoaderDialogue& dialogue_;
    UartSettings line_{};
    Clock::time_point now_{};
};

// Port opened, connection request at the listen speed, the ACK at 19200 bit/s, identification,
// handshake byte and ACK: afterwards the dialogue expects keyed commands.
void Connect(LoaderDialogue& dialogue, Line& line, int listenSpeed) {
    dialogue.PortOpened(Arrival{line.Now(), line.Now()});
    line.Wait(kConnectionWait);
    line.Set(UartSettings{listenSpeed, 2, true});
    line.Wait(kConnectionWait);
    line.Send(kConnectionRequest.data(), kConnectionRequest.size());
    line.Set(UartSettings{19200, 2, true});
    line.Send(nullptr, 0);
    line.Wait(kConnectionWait);
    line.Send(nullptr, 0);
    const uint8_t identify = 0x02;
    line.Send(&identify, 1);
    const std::array<uint8_t, 2> handshake{0x5A, kAck};
    line.Send(handshake.data(), handshake.size());
    dialogue.TakeAnswers();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t options = data[0];
    const updater::sim::SimOptions simOptions = OptionsFor(options, data[1]);
    LoaderDialogue dialogue(simOptions);
    Line line(dialogue);
    if ((options & 1) != 0) Connect(dialogue, line, simOptions.listenSpeed);
    const int key = dialogue.Report().linkKey;
    const bool applyKey = (options & 2) != 0 && key >= 0;

    std::vector<uint8_t> chunk;
    size_t at = 2;
    while (at + 2 <= size) {
        const uint8_t control = data[at];
        const size_t length = std::min<size_t>(data[at + 1], size - at - 2);
        at += 2;
        line.Wait(std::chrono::milliseconds(16 * (control >> 4)));
        line.Set(UartSettings{kSpeeds[control & 0x3], (control & 0x4) != 0 ? 2 : 1,
                              (control & 0x8) == 0});
        chunk.assign(data + at, data + at + length);
        at += length;
        if (applyKey) {
            for (uint8_t& byte : chunk) byte = static_cast<uint8_t>(byte ^ key);
        }
        const bool hungUpBefore = dialogue.HangUpRequested();
        line.Send(chunk.data(), chunk.size());
        // A loader that has hung up hears nothing more and says nothing more.
        for (const LoaderDialogue::Reply& reply : dialogue.TakeAnswers()) {
            if (hungUpBefore) Require(reply.bytes.empty());
        }
    }

    const updater::sim::SimReport& report = dialogue.Report();
    Require(dialogue.Memory().size() == LoaderDialogue::kMemorySize);
    Require(dialogue.Written().size() == LoaderDialogue::kMemorySize);
    Require(report.linkKey >= -1 && report.linkKey <= 0xFF);
    Require(report.problems.size() <= kMaxProblemLines + 1);
    Require(report.errors >= static_cast<int>(report.problems.size()) - 1);
    Require(report.bytes <= static_cast<long>(report.frames) * 128);
    if (dialogue.EndedCleanly()) Require(report.endReceived);
    return 0;
}
