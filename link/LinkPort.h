#pragma once
// The serial link to the radio: a SerialPort plus the link key and the session bytes.
// Every byte written or read is XORed with linkKey, except the handshake byte.

#include <array>
#include <cstdint>

#include "link/SerialPort.h"

namespace updater {

inline constexpr uint16_t kMaxBlockLength = 2000;

class LinkPort : public SerialPort {
  public:
    LinkPort() = default;

    // Scrambled write of a block (at most kMaxBlockLength bytes; longer blocks are refused
    // as NotOpen and nothing is sent). Pending input is discarded first.
    [[nodiscard]] LineResult WriteBlock(const uint8_t* data, uint16_t length);
    [[nodiscard]] LineResult WriteByte(uint8_t b);
    // Unscrambled write of seed, or of replyChecksum when unencrypted is set.
    [[nodiscard]] LineResult WriteHandshakeByte();
    // Reads exactly n bytes within the read time-out and unscrambles them; a failure when short
    // or late (the bytes that did arrive are left as received).
    [[nodiscard]] LineResult Read(uint8_t* buffer, uint16_t n);

    uint8_t unencrypted = 0;
    uint8_t seed = 0;
    uint8_t replyChecksum = 0;
    uint8_t linkKey = 0;
    int stopBits = 0;

  private:
    std::array<uint8_t, kMaxBlockLength> txBuffer_{};
};

}  // namespace updater
