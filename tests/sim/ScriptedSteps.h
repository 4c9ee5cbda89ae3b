#pragma once
// The steps of the dialogue that most simulator tests go through before what they examine.

#include <array>
#include <cstdint>
#include <vector>

#include "tests/sim/UpdaterLine.h"

namespace updater::sim::test {

inline constexpr uint8_t kSyn = 0x16;
inline constexpr uint8_t kAck = 0x06;
inline const std::vector<uint8_t> kConnectionRequest{'Q', 'R', 'T', 'L', 'M', 'Z', 0xA7, 0x3C};

// Connection request at `speed`, SYN, line to 19200, ACK. True when both answers came.
bool Connect(UpdaterLine& line, int speed = 9600, int stopBits = 2);
// Command 0x02, the 48-byte reply, the handshake byte and the ACK exchange; on success the
// line's key becomes handshake XOR (sum of reply bytes 32..43). Returns the reply (shorter when
// the loader sent less).
std::vector<uint8_t> Identify(UpdaterLine& line, uint8_t handshake);
// Sum of reply bytes 32..43 modulo 256.
uint8_t ReplyChecksum(const std::vector<uint8_t>& reply);
// Connect at 9600 and identify with `handshake`; true when the key is in force.
bool ConnectAndIdentify(UpdaterLine& line, uint8_t handshake = 0x2A);
// The five area codes in block form, each answered ACK.
bool SendAreaCodes(UpdaterLine& line);
// One byte (or frame) sent, one answer byte expected within `timeoutMs`; -1 for none.
int Exchange(UpdaterLine& line, const std::vector<uint8_t>& bytes, int timeoutMs = 1000);

}  // namespace updater::sim::test
