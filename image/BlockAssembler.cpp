#include "image/BlockAssembler.h"

#include <algorithm>

#include "image/ImageAreas.h"
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

int BlockAssembler::AssembleBlocks(const AreaRecords& records) {
    size_t following = records.NextFrom(0);
    if (following == records.End()) return 0;
    RawRecord next = records[following];
    while (following != records.End()) {
        // The previous step may have shortened this record as its "next".
        RawRecord current = next;
        following = records.NextFrom(following + 1);
        next = following != records.End() ? records[following] : RawRecord{};

        if (block_.count == 0) {
            if (StartBlock(current) != 0) return 1;
        } else if (block_.count == kMaxRecordBytes || current.address != block_.End() ||
                   block_.count + current.count > kMaxRecordBytes) {
            // The block is full, the line does not continue it, or does not fit in it.
            if (CloseBlock(current, next) != 0) return 1;
            if (StartBlock(current) != 0) return 1;
        } else {
            AppendBytesOf(block_, current, text_, current.count);
        }
    }
    if (block_.count != 0) return CloseFinalBlock();
    return 0;
}

int BlockAssembler::StartBlock(const RawRecord& record) {
    // An odd start gets one filler byte in front, and the block must still fit 128 bytes.
    const bool odd = record.address % 2 != 0;
    const uint32_t start = odd ? record.address - 1 : record.address;
    if (odd && record.count + 1 > kMaxRecordBytes) return 1;
    // No block may overlap the block stored last: the radio would get those addresses twice,
    // and this block's filler could overwrite the earlier line's bytes. Besides an odd start's
    // filler, only a line that overlaps a full block, or that follows a line whose bytes all
    // went into the tail of the block stored last, can start there. A block without any byte
    // is never stored, so an empty record opens one anywhere.
    const bool holdsBytes = odd || record.count > 0;
    if (holdsBytes && lastEnd_ != 0 && start < lastEnd_) return 1;
    block_.count = 0;
    block_.address = start;
    if (odd) AppendFiller(block_, 1);
    AppendBytesOf(block_, record, text_, record.count);
    return 0;
}

int BlockAssembler::CloseBlock(RawRecord& record, RawRecord& next) {
    const int room = kMaxRecordBytes - block_.count;
    const int64_t gap = static_cast<int64_t>(record.address) - static_cast<int64_t>(block_.End());
    if (room > 0) {
        if (gap >= room) {
            // Even an aligned block gains four filler bytes here unless it is full.
            AppendFiller(block_, std::min(PadToWord(block_.count), room));
        } else if (gap > 0) {
            AppendFiller(block_, static_cast<int>(gap));
        } else {
            // The later line's bytes win: cut the block back to end where that line starts.
            // A line starting below the block itself cannot be handled.
            if (block_.count + gap < 0) return 1;
            block_.count += static_cast<int>(gap);
        }
    }
    if (block_.count % 4 != 0) {
        // The block now ends where record starts: complete its last word from the data.
        int need = PadToWord(block_.count);
        if (record.count >= need) {
            AppendBytesOf(block_, record, text_, need);
            DropFrontBytes(record, need);
        } else {
            need -= record.count;
            AppendBytesOf(block_, record, text_, record.count);
            ClearRecord(record);
            if (next.address == block_.End()) {
                // A following line shorter than need gives what it has; filler does the rest.
                const int taken = std::min(need, next.count);
                AppendBytesOf(block_, next, text_, taken);
                if (taken < next.count) {
                    DropFrontBytes(next, taken);
                } else {
                    ClearRecord(next);  // used up: nothing of it may open a block later
                }
                need -= taken;
            }
            AppendFiller(block_, need);
        }
    }
    StoreBlock();
    return 0;
}

int BlockAssembler::CloseFinalBlock() {
    if (block_.count % 4 != 0) {
        const int pad = PadToWord(block_.count);
        if (block_.End() + static_cast<uint32_t>(pad) >= AreaTopFor(block_.address)) return 1;
        AppendFiller(block_, pad);
    }
    StoreBlock();
    return 0;
}

void BlockAssembler::StoreBlock() {
    destination_.Append(block_);
    lastEnd_ = block_.End();
}

}  // namespace updater
