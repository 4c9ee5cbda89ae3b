#pragma once
// Internal to the image subsystem. The raw records of the S-record reader in compact form: a
// data line's digit pairs stay where they are in the loader's text, so reading a line copies
// nothing and block assembly takes the pairs straight from the text into the blocks.

#include <cstdint>
#include <ranges>
#include <vector>

#include "image/ImageAreas.h"
#include "image/ImageRecord.h"

namespace updater {

struct RawRecord {
    uint32_t address = 0;     // image address of the first data byte
    int32_t count = 0;        // data bytes, 0..128
    uint32_t textOffset = 0;  // where the first digit pair lies in the text

    uint32_t End() const { return address + static_cast<uint32_t>(count); }
};

// Every data line of one text, in text order; reserved once from the text's size.
using RawRecordList = std::vector<RawRecord>;

// The fewest characters an S2 line takes: "S2", count, address and checksum, no data.
inline constexpr size_t kShortestDataLine = 12;

// The raw records of one area, selected by start address only (a record may reach beyond the
// area's last address), in text order. A view over the list: nothing is copied.
inline auto SelectAddressRange(const RawRecordList& records, ImageArea area) {
    return records | std::views::filter([area](const RawRecord& record) {
               return record.address >= area.first && record.address <= area.last;
           });
}
using AreaRecords = decltype(SelectAddressRange(std::declval<const RawRecordList&>(), ImageArea{}));

}  // namespace updater
