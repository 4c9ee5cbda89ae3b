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

int LinkPort::WriteBlock(const uint8_t* data, uint16_t length) {
    if (length > kMaxBlockLength) return 0;
    for (uint16_t i = 0; i < length; ++i) txBuffer_[i] = data[i] ^ linkKey;
    PurgeInput();  // what the radio sent and nobody read is stale once a new request goes out
    const int written = WriteRaw(txBuffer_.data(), length);
    if (LinkTrace* trace = Trace()) {
        trace->Wrote({txBuffer_.data(), length}, {data, length}, written == 1);
    }
    return written;
}

int LinkPort::WriteByte(uint8_t b) {
    PurgeInput();
    const uint8_t scrambled = b ^ linkKey;
    const int written = WriteRaw(&scrambled, 1);
    if (LinkTrace* trace = Trace()) trace->Wrote({&scrambled, 1}, {&b, 1}, written == 1);
    return written;
}

int LinkPort::WriteHandshakeByte() {
    PurgeInput();
    const uint8_t handshake = unencrypted ? replyChecksum : seed;
    const int written = WriteRaw(&handshake, 1);
    if (LinkTrace* trace = Trace()) trace->Wrote({&handshake, 1}, {&handshake, 1}, written == 1);
    return written;
}

int LinkPort::Read(uint8_t* buffer, uint16_t n) {
    LinkTrace* trace = Trace();
    const Clock::time_point start = trace != nullptr ? Clock::now() : Clock::time_point{};
    const size_t got = ReadRaw(buffer, n);
    if (trace != nullptr) {
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        trace->Read(n, ReadTimeout(), static_cast<uint32_t>(waited.count()), {buffer, got},
                    WithKey(buffer, got, linkKey));
    }
    if (got < n) return 0;
    for (uint16_t i = 0; i < n; ++i) buffer[i] ^= linkKey;
    return 1;
}

}  // namespace updater
