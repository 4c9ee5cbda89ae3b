#pragma once
// Image records with a recognisable byte pattern, for tests that send or compare blocks.

#include <cstdint>
#include <cstdio>

#include "image/ImageRecord.h"

namespace updater {

// count bytes from address: first, first + step, first + 2 * step, ... (modulo 256).
inline ImageRecord MakeTestRecord(uint32_t address, int count, uint8_t first, uint8_t step) {
    ImageRecord record;
    record.address = address;
    record.count = count;
    for (int i = 0; i < count; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", static_cast<uint8_t>(first + step * i));
        record.text[2 * static_cast<size_t>(i)] = pair[0];
        record.text[2 * static_cast<size_t>(i) + 1] = pair[1];
    }
    return record;
}

}  // namespace updater
