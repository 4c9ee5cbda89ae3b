#include "link/LinkPort.h"

namespace updater {

int LinkPort::WriteBlock(const uint8_t* data, uint16_t length) {
    if (length > kMaxBlockLength) return 0;
    for (uint16_t i = 0; i < length; ++i) txBuffer_[i] = data[i] ^ linkKey;
    PurgeInput();  // what the radio sent and nobody read is stale once a new request goes out
    return WriteRaw(txBuffer_.data(), length);
}

int LinkPort::WriteByte(uint8_t b) {
    PurgeInput();
    const uint8_t scrambled = b ^ linkKey;
    return WriteRaw(&scrambled, 1);
}

int LinkPort::WriteHandshakeByte() {
    PurgeInput();
    const uint8_t handshake = unencrypted ? replyChecksum : seed;
    return WriteRaw(&handshake, 1);
}

int LinkPort::Read(uint8_t* buffer, uint16_t n) {
    const size_t got = ReadRaw(buffer, n);
    if (got < n) return 0;
    for (uint16_t i = 0; i < n; ++i) buffer[i] ^= linkKey;
    return 1;
}

}  // namespace updater
