#pragma once
// Internal to the image subsystem. The raw records of the S-record reader in compact form: a
// data line's digit pairs stay where they are in the loader's text, so reading a line copies
// nothing and block assembly takes the pairs straight from the text into the blocks.

#include <cstddef>
#include <cstdint>
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
class AreaRecords {
  public:
    AreaRecords(const RawRecordList& records, ImageArea area) : records_(records), area_(area) {}

    // The position of the first record of the area at or after position; End() when none.
    size_t NextFrom(size_t position) const {
        while (position < records_.size() && !Holds(records_[position])) ++position;
        return position;
    }
    size_t End() const { return records_.size(); }
    const RawRecord& operator[](size_t position) const { return records_[position]; }
    int Count() const {
        int count = 0;
        for (const RawRecord& record : records_) count += Holds(record) ? 1 : 0;
        return count;
    }

  private:
    bool Holds(const RawRecord& record) const {
        return record.address >= area_.first && record.address <= area_.last;
    }
    const RawRecordList& records_;
    ImageArea area_;
};

inline AreaRecords SelectAddressRange(const RawRecordList& records, ImageArea area) {
    return AreaRecords(records, area);
}

}  // namespace updater
