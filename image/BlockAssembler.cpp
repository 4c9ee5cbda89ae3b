// Turns the raw records of one area into transfer blocks: at most 128 bytes, even start, byte
// count a multiple of 4. Contiguous lines are joined, short holes filled with 0xFF, and a
// block's tail is completed from the start of the following line where the data continue.
#include <algorithm>

#include "image/Guarded.h"
#include "image/ImageAreas.h"
#include "image/ImageLoader.h"
#include "image/RecordText.h"

namespace updater {

namespace {

int PadToWord(int count) { return 4 - count % 4; }

// The padded end of an area's last block must stay below this address.
uint32_t AreaTopFor(uint32_t blockAddress) {
    if (blockAddress < kLowArea.last) return kLowArea.last;
    if (blockAddress > kLowArea.last && blockAddress < kMainArea.last) return kMainArea.last;
    return kTopArea.last;
}

}  // namespace

void ImageLoader::SelectAddressRange(const RecordList& source, RecordList& destination,
                                     uint32_t first, uint32_t last) {
    for (const ImageRecord& record : source) {
        if (record.address >= first && record.address <= last) destination.Append(record);
    }
}

int ImageLoader::StartBlock(ImageRecord& block, const ImageRecord& record, uint32_t lastEnd) {
    if (record.address % 2 == 0) {
        block = record;
        return 0;
    }
    // An odd start gets one filler byte in front; it must not overlap the block stored last,
    // and the block must still fit 128 bytes.
    if (lastEnd != 0 && record.address - 1 < lastEnd) return 1;
    if (record.count + 1 > kMaxRecordBytes) return 1;
    ClearRecord(block);
    block.address = record.address - 1;
    AppendFiller(block, 1);
    AppendBytesOf(block, record, 0, record.count);
    return 0;
}

int ImageLoader::CloseBlock(ImageRecord& block, ImageRecord& record, ImageRecord& next,
                            RecordList& destination) {
    const int room = kMaxRecordBytes - block.count;
    const int64_t gap = static_cast<int64_t>(record.address) - static_cast<int64_t>(block.End());
    if (room > 0) {
        if (gap >= room) {
            // Even an aligned block gains four filler bytes here unless it is full.
            AppendFiller(block, std::min(PadToWord(block.count), room));
        } else if (gap > 0) {
            AppendFiller(block, static_cast<int>(gap));
        } else {
            // The later line's bytes win: cut the block back to end where that line starts.
            // A line starting below the block itself cannot be handled.
            if (block.count + gap < 0) return 1;
            block.count += static_cast<int>(gap);
        }
    }
    if (block.count % 4 != 0) {
        // The block now ends where record starts: complete its last word from the data.
        int need = PadToWord(block.count);
        if (record.count >= need) {
            AppendBytesOf(block, record, 0, need);
            DropFrontBytes(record, need);
        } else {
            need -= record.count;
            AppendBytesOf(block, record, 0, record.count);
            ClearRecord(record);
            if (next.address == block.End()) {
                // A following line shorter than need gives what it has; filler does the rest.
                const int taken = std::min(need, next.count);
                AppendBytesOf(block, next, 0, taken);
                if (taken < next.count) {
                    DropFrontBytes(next, taken);
                } else {
                    ClearRecord(next);  // used up: nothing of it may open a block later
                }
                need -= taken;
            }
            AppendFiller(block, need);
        }
    }
    destination.Append(block);
    return 0;
}

int ImageLoader::CloseFinalBlock(ImageRecord& block, RecordList& destination) {
    if (block.count % 4 != 0) {
        const int pad = PadToWord(block.count);
        if (block.End() + static_cast<uint32_t>(pad) >= AreaTopFor(block.address)) return 1;
        AppendFiller(block, pad);
    }
    destination.Append(block);
    return 0;
}

int ImageLoader::AssembleBlocks(const RecordList& source, RecordList& destination) {
    return Guarded([&] { return AssembleInto(source, destination); });
}

int ImageLoader::AssembleInto(const RecordList& source, RecordList& destination) {
    ImageRecord block;
    uint32_t lastEnd = 0;
    ImageRecord current;
    ImageRecord next;
    for (int i = 0; i < source.Size(); ++i) {
        // The previous step may have shortened this record as its "next".
        current = (i == 0) ? source[0] : next;
        if (i + 1 < source.Size()) {
            next = source[i + 1];
        } else {
            ClearRecord(next);
        }

        if (block.count == 0) {
            if (StartBlock(block, current, lastEnd) != 0) return 1;
        } else if (block.count == kMaxRecordBytes || current.address != block.End()) {
            if (CloseBlock(block, current, next, destination) != 0) return 1;
            lastEnd = block.End();
            ClearRecord(block);
            if (StartBlock(block, current, lastEnd) != 0) return 1;
        } else if (block.count + current.count <= kMaxRecordBytes) {
            AppendBytesOf(block, current, 0, current.count);
        } else {
            if (CloseBlock(block, current, next, destination) != 0) return 1;
            lastEnd = block.End();
            ClearRecord(block);
            if (StartBlock(block, current, lastEnd) != 0) return 1;
        }
    }
    if (block.count != 0) return CloseFinalBlock(block, destination);
    return 0;
}

}  // namespace updater
