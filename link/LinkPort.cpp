#include "link/LinkPort.h"

#include <chrono>
#include <vector>

#include "link/LinkTrace.h"

namespace updater {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> WithKey(const uint8_t* bytes, size_t count, uint8_t key) {
    std::vector<uint8_t> keyed(bytes, bytes + count);
    for (uint8_t& byte : keyed) byte ^= key;
    return keyed;
}

}  // namespace

LineResult LinkPort::WriteBlock(const uint8_t* data, uint16_t length) {
    if (length > kMaxBlockLength) return LineResult::Failed(LineFault::NotOpen);
    for (uint16_t i = 0; i < length; ++i) txBuffer_[i] = data[i] ^ linkKey;
    PurgeInput();  // what the radio sent and nobody read is stale once a new request goes out
    const LineResult written = WriteRaw(txBuffer_.data(), length);
    if (LinkTrace* trace = Trace()) {
        trace->Wrote({txBuffer_.data(), length}, {data, length}, written.Ok());
    }
    return written;
}

LineResult LinkPort::WriteByte(uint8_t b) {
    PurgeInput();
    const uint8_t scrambled = b ^ linkKey;
    const LineResult written = WriteRaw(&scrambled, 1);
    if (LinkTrace* trace = Trace()) trace->Wrote({&scrambled, 1}, {&b, 1}, written.Ok());
    return written;
}

LineResult LinkPort::WriteHandshakeByte() {
    PurgeInput();
    const uint8_t handshake = unencrypted ? replyChecksum : seed;
    const LineResult written = WriteRaw(&handshake, 1);
    if (LinkTrace* trace = Trace()) trace->Wrote({&handshake, 1}, {&handshake, 1}, written.Ok());
    return written;
}

LineResult LinkPort::Read(uint8_t* buffer, uint16_t n) {
    LinkTrace* trace = Trace();
    const Clock::time_point start = trace != nullptr ? Clock::now() : Clock::time_point{};
    LineResult read = ReadRaw(buffer, n);
    // The time-out in force says more than the time measured around it.
    if (read.fault == LineFault::TimedOut) read.waitedMs = ReadTimeout();
    const size_t got = read.got;
    if (trace != nullptr) {
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        trace->Read(n, ReadTimeout(), static_cast<uint32_t>(waited.count()), {buffer, got},
                    WithKey(buffer, got, linkKey));
    }
    if (!read || got < n) return read;
    for (uint16_t i = 0; i < n; ++i) buffer[i] ^= linkKey;
    return read;
}

}  // namespace updater
