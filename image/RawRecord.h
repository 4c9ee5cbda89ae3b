#pragma once
// Internal to the image subsystem. A data line of the S-record text in compact form: its digit
// pairs stay where they are in the image's text, so reading a line copies nothing and block
// assembly only notes where the pairs of each block lie.

#include <cstdint>

namespace updater {

struct RawRecord {
    uint32_t address = 0;     // image address of the first data byte
    int32_t count = 0;        // data bytes, 0..128
    uint32_t textOffset = 0;  // where the first digit pair lies in the text
    // The data line it came from: its number among the text's data lines and where its digit
    // pairs begin and end, so that a block can tell whether its pieces are whole, successive
    // lines.
    uint32_t line = 0;
    uint32_t lineStart = 0;
    uint32_t lineEnd = 0;

    uint32_t End() const { return address + static_cast<uint32_t>(count); }
};

// Removes the first n bytes of raw: the address grows and the count shrinks by n.
inline void DropFrontBytes(RawRecord& raw, int n) {
    raw.address += static_cast<uint32_t>(n);
    raw.count -= n;
    raw.textOffset += 2 * static_cast<uint32_t>(n);
}

// count 0, address 0: nothing of the record is left to use.
inline void ClearRecord(RawRecord& raw) { raw = RawRecord{}; }

// The fewest characters an S2 line takes: "S2", count, address and checksum, no data.
inline constexpr uint64_t kShortestDataLine = 12;

}  // namespace updater
