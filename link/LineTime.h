#pragma once
// How long bytes take on the line: the one reckoning both serial backends and the paced write
// count their waits with.

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace updater {

// The bits one byte takes on the line: a start bit, the data bits, a parity bit where there is
// one, and the stop bits (one and a half counted as two: a wait may grow, never shrink).
uint32_t BitsPerByte(int dataBits, bool withParity, bool oneStopBit);

// The time `bytes` bytes of `bitsPerByte` bits each take on the line at `speed` bit/s, rounded
// up: a wait that counts from the end of the bytes may grow, never shrink.
std::chrono::microseconds LineTime(size_t bytes, uint64_t bitsPerByte, uint64_t speed);

}  // namespace updater
