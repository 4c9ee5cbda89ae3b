// libFuzzer target: the simulated radio's loader dialogue, fed bytes as if from the Updater. The
// input is a script of what arrives on the line and when, so that the fuzzer can change the
// line's speed and format and let time pass between bytes, as a real Updater does.
//
//   byte 0:      options: bit 0 makes the connection and the key agreement first (so that the
//                fuzzer starts among the keyed commands), bit 1 then applies the link key to
//                every later byte, bits 2-4 choose a fault of the loader, bits 5-7 its count
//   then chunks: a control byte (bits 0-1 the speed: 9600, 19200, 38400, 57600 bit/s; bit 2
//                two stop bits; bit 3 a format other than 8 bits without parity; bits 4-7 the
//                time that passes before the chunk, in steps of 16 ms), a length byte, and
//                that many bytes, which arrive together.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/LoaderDialogue.h"

namespace {

using updater::sim::LineSettings;
using updater::sim::LoaderDialogue;
using Clock = LoaderDialogue::Clock;

constexpr std::array<int, 4> kSpeeds{9600, 19200, 38400, 57600};
constexpr std::array<uint8_t, 8> kConnectionRequest{'Q', 'R', 'T', 'L', 'M', 'Z', 0xA7, 0x3C};
constexpr uint8_t kAck = 0x06;
// Comfortably more than the loader waits before it answers at 19200 bit/s.
constexpr auto kConnectionWait = std::chrono::milliseconds(100);
constexpr size_t kMaxProblemLines = 200;

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

updater::sim::SimOptions OptionsFor(uint8_t options) {
    updater::sim::SimOptions sim;
    sim.modelWireTime = false;
    const int count = 1 + (options >> 5);
    switch ((options >> 2) & 0x7) {
        case 1:
            sim.faults.refuseAreaCode = count;
            break;
        case 2:
            sim.faults.silentCheckpoint = count;
            break;
        case 3:
            sim.faults.noXAck = count;
            break;
        case 4:
            sim.faults.hangUpAtWFrame = count;
            break;
        case 5:
            sim.faults.shortIdentityReply = count * 5;
            break;
        case 6:
            sim.faults.nakEnd = true;
            break;
        default:
            break;  // the loader as it should be
    }
    return sim;
}

// Connection request at the listen speed, the ACK at 19200 bit/s, identification, handshake
// byte and ACK: afterwards the dialogue expects keyed commands.
void Connect(LoaderDialogue& dialogue, const updater::sim::SimOptions& options,
             Clock::time_point& now) {
    LineSettings line;
    line.speed = options.listenSpeed;
    line.stopBits = 2;
    dialogue.Receive(kConnectionRequest.data(), kConnectionRequest.size(), line, now);
    line.speed = 19200;
    dialogue.Tick(line, 0, now);
    now += kConnectionWait;
    dialogue.Tick(line, 0, now);
    const uint8_t identify = 0x02;
    dialogue.Receive(&identify, 1, line, now);
    const std::array<uint8_t, 2> handshake{0x5A, kAck};
    dialogue.Receive(handshake.data(), handshake.size(), line, now);
    dialogue.TakeAnswer();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t options = data[0];
    const updater::sim::SimOptions simOptions = OptionsFor(options);
    LoaderDialogue dialogue(simOptions);
    Clock::time_point now{};
    if ((options & 1) != 0) Connect(dialogue, simOptions, now);
    const int key = dialogue.Report().linkKey;
    const bool applyKey = (options & 2) != 0 && key >= 0;

    std::vector<uint8_t> chunk;
    size_t at = 1;
    while (at + 2 <= size) {
        const uint8_t control = data[at];
        const size_t length = std::min<size_t>(data[at + 1], size - at - 2);
        at += 2;
        LineSettings line;
        line.speed = kSpeeds[control & 0x3];
        line.stopBits = (control & 0x4) != 0 ? 2 : 1;
        line.eightBitsNoParity = (control & 0x8) == 0;
        now += std::chrono::milliseconds(16 * (control >> 4));

        chunk.assign(data + at, data + at + length);
        at += length;
        if (applyKey) {
            for (uint8_t& byte : chunk) byte = static_cast<uint8_t>(byte ^ key);
        }
        const bool hungUpBefore = dialogue.HangUpRequested();
        dialogue.Receive(chunk.data(), chunk.size(), line, now);
        dialogue.Tick(line, 0, now);
        const std::vector<uint8_t> answer = dialogue.TakeAnswer();
        // A loader that has hung up hears nothing more and says nothing more.
        if (hungUpBefore) Require(answer.empty());
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
