#include "image/RecordText.h"

#include <algorithm>
#include <cstring>

namespace updater {

void AppendFiller(ImageRecord& block, int n) {
    std::fill_n(block.text.begin() + 2 * block.count, 2 * n, 'F');
    block.count += n;
}

void AppendBytesOf(ImageRecord& block, const RawRecord& raw, std::span<const uint8_t> text, int n) {
    std::memcpy(block.text.data() + 2 * block.count, text.data() + raw.textOffset,
                2 * static_cast<size_t>(n));
    block.count += n;
}

void DropFrontBytes(RawRecord& raw, int n) {
    raw.address += static_cast<uint32_t>(n);
    raw.count -= n;
    raw.textOffset += 2 * static_cast<uint32_t>(n);
}

void ClearRecord(RawRecord& raw) { raw = RawRecord{}; }

ImageRecord ToImageRecord(const RawRecord& raw, std::span<const uint8_t> text) {
    ImageRecord record;
    record.address = raw.address;
    AppendBytesOf(record, raw, text, raw.count);
    return record;
}

}  // namespace updater
