#pragma once
// Compares what the simulated radio received with the blocks that were meant for it.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/ImageRecord.h"
#include "sim/RadioSimulator.h"

namespace updater::testing {

// Empty when the radio's memory holds what writing the lists' blocks in order leaves (a later
// block's bytes win where blocks overlap, as the radio stores them) and nothing else was written.
inline std::string MemoryMismatch(const sim::RadioSimulator& radio,
                                  const std::vector<const RecordList*>& lists) {
    const std::vector<uint8_t> memory = radio.Memory();
    const std::vector<bool> written = radio.Written();
    std::vector<int> expected(written.size(), -1);  // -1: no block writes the byte
    for (const RecordList* list : lists) {
        for (const ImageRecord& record : *list) {
            for (int k = 0; k < record.count; ++k) {
                const uint32_t address = record.address + static_cast<uint32_t>(k);
                if (address >= memory.size()) return "block beyond the memory";
                expected[address] = record.ByteAt(k);
            }
        }
    }
    for (size_t a = 0; a < written.size(); ++a) {
        if (expected[a] < 0 && !written[a]) continue;
        char text[64];
        if (expected[a] < 0) {
            std::snprintf(text, sizeof text, "byte at %06zX written but not in the image", a);
            return text;
        }
        if (!written[a] || memory[a] != expected[a]) {
            std::snprintf(text, sizeof text, "byte at %06zX differs", a);
            return text;
        }
    }
    return {};
}

}  // namespace updater::testing
