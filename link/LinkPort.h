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
    // with 0 and nothing is sent). Pending input is discarded first.
    [[nodiscard]] int WriteBlock(const uint8_t* data, uint16_t length);
    [[nodiscard]] int WriteByte(uint8_t b);
    // Unscrambled write of seed, or of replyChecksum when unencrypted is set.
    [[nodiscard]] int WriteHandshakeByte();
    // Reads exactly n bytes within the read time-out and unscrambles them; 0 when short or late
    // (the bytes that did arrive are left as received).
    [[nodiscard]] int Read(uint8_t* buffer, uint16_t n);

    uint8_t unencrypted = 0;
    uint8_t seed = 0;
    uint8_t replyChecksum = 0;
    uint8_t linkKey = 0;
    int stopBits = 0;

  private:
    std::array<uint8_t, kMaxBlockLength> txBuffer_{};
};

}  // namespace updater
