#pragma once
// Compares what the simulated radio received with the blocks that were meant for it.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/ImageRecord.h"
#include "sim/RadioSimulator.h"

namespace updater::testing {

// Empty when every block of the lists is in the radio's memory and nothing else was written.
inline std::string MemoryMismatch(const sim::RadioSimulator& radio,
                                  const std::vector<const RecordList*>& lists) {
    const std::vector<uint8_t> memory = radio.Memory();
    const std::vector<bool> written = radio.Written();
    std::vector<bool> expected(written.size(), false);
    for (const RecordList* list : lists) {
        for (const ImageRecord& record : *list) {
            for (int k = 0; k < record.count; ++k) {
                const uint32_t address = record.address + static_cast<uint32_t>(k);
                if (address >= memory.size()) return "block beyond the memory";
                expected[address] = true;
                if (!written[address] || memory[address] != record.ByteAt(k)) {
                    char text[64];
                    std::snprintf(text, sizeof text, "byte at %06X differs", address);
                    return text;
                }
            }
        }
    }
    for (size_t a = 0; a < written.size(); ++a) {
        if (written[a] && !expected[a]) {
            char text[64];
            std::snprintf(text, sizeof text, "byte at %06zX written but not in the image", a);
            return text;
        }
    }
    return {};
}

}  // namespace updater::testing
