#include "image/BlockAssembler.h"

#include <algorithm>

#include "image/ImageAreas.h"

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

BlockAssembler::BlockAssembler(RecordList& destination)
    : destination_(destination), store_(*destination.store_) {}

void BlockAssembler::Add(const RawRecord& record) {
    if (failed_) return;
    if (!havePending_) {
        records_[static_cast<size_t>(pending_)] = record;
        havePending_ = true;
        return;
    }
    // The previous step may have shortened the pending record as its "next". The pending record
    // is assembled in place: it is not needed afterwards.
    RawRecord& current = records_[static_cast<size_t>(pending_)];
    pending_ = 1 - pending_;
    RawRecord& next = records_[static_cast<size_t>(pending_)];
    next = record;
    if (!Assemble(current, next)) failed_ = true;
}

bool BlockAssembler::Finish() {
    if (!failed_ && havePending_) {
        RawRecord& current = records_[static_cast<size_t>(pending_)];
        RawRecord none;
        havePending_ = false;
        if (!Assemble(current, none)) failed_ = true;
    }
    if (!failed_ && blockCount_ != 0 && !CloseFinalBlock()) failed_ = true;
    return !failed_;
}

bool BlockAssembler::Assemble(RawRecord& current, RawRecord& next) {
    if (blockCount_ == 0) return StartBlock(current);
    if (blockCount_ == kMaxRecordBytes || current.address != BlockEnd() ||
        blockCount_ + current.count > kMaxRecordBytes) {
        // The block is full, the line does not continue it, or does not fit in it.
        if (!CloseBlock(current, next)) return false;
        return StartBlock(current);
    }
    AppendBytesOf(current, current.count);
    return true;
}

bool BlockAssembler::StartBlock(const RawRecord& record) {
    // An odd start gets one filler byte in front, and the block must still fit 128 bytes.
    const bool odd = record.address % 2 != 0;
    const uint32_t start = odd ? record.address - 1 : record.address;
    if (odd && record.count + 1 > kMaxRecordBytes) return false;
    // No block may overlap the block stored last: the radio would get those addresses twice,
    // and this block's filler could overwrite the earlier line's bytes. Besides an odd start's
    // filler, only a line that overlaps a full block, or that follows a line whose bytes all
    // went into the tail of the block stored last, can start there. A block without any byte
    // is never stored, so an empty record opens one anywhere.
    const bool holdsBytes = odd || record.count > 0;
    if (holdsBytes && lastEnd_ != 0 && start < lastEnd_) return false;
    blockPieceCount_ = 0;
    blockCount_ = 0;
    blockAddress_ = start;
    if (odd) AppendFiller(1);
    AppendBytesOf(record, record.count);
    return true;
}

bool BlockAssembler::CloseBlock(RawRecord& record, RawRecord& next) {
    const int room = kMaxRecordBytes - blockCount_;
    const int64_t gap = static_cast<int64_t>(record.address) - static_cast<int64_t>(BlockEnd());
    if (room > 0) {
        if (gap >= room) {
            // Even an aligned block gains four filler bytes here unless it is full.
            AppendFiller(std::min(PadToWord(blockCount_), room));
        } else if (gap > 0) {
            AppendFiller(static_cast<int>(gap));
        } else {
            // The later line's bytes win: cut the block back to end where that line starts.
            // A line starting below the block itself cannot be handled.
            if (blockCount_ + gap < 0) return false;
            CutBack(static_cast<int>(-gap));
        }
    }
    if (blockCount_ % 4 != 0) {
        // The block now ends where record starts: complete its last word from the data.
        int need = PadToWord(blockCount_);
        if (record.count >= need) {
            AppendBytesOf(record, need);
            DropFrontBytes(record, need);
        } else {
            need -= record.count;
            AppendBytesOf(record, record.count);
            ClearRecord(record);
            if (next.address == BlockEnd()) {
                // A following line shorter than need gives what it has; filler does the rest.
                const int taken = std::min(need, next.count);
                AppendBytesOf(next, taken);
                if (taken < next.count) {
                    DropFrontBytes(next, taken);
                } else {
                    ClearRecord(next);  // used up: nothing of it may open a block later
                }
                need -= taken;
            }
            AppendFiller(need);
        }
    }
    StoreBlock();
    return true;
}

bool BlockAssembler::CloseFinalBlock() {
    if (blockCount_ % 4 != 0) {
        const int pad = PadToWord(blockCount_);
        if (BlockEnd() + static_cast<uint32_t>(pad) >= AreaTopFor(blockAddress_)) return false;
        AppendFiller(pad);
    }
    StoreBlock();
    return true;
}

void BlockAssembler::StoreBlock() {
    if (!StoreAsWholeLines()) {
        const auto where = static_cast<uint32_t>(store_.pieces.size());
        store_.pieces.insert(store_.pieces.end(), blockPieces_.begin(),
                             blockPieces_.begin() + blockPieceCount_);
        destination_.entries_.push_back({blockAddress_, blockCount_, where});
    }
    lastEnd_ = BlockEnd();
    blockCount_ = 0;
    blockPieceCount_ = 0;
}

// Stores the block without pieces when it is successive data lines of the text: filler only as
// one byte in front and a few behind, every line after the first taken from its start, every
// line before the last to its end.
bool BlockAssembler::StoreAsWholeLines() {
    using Pieces = RecordList;
    auto isFiller = [&](int i) {
        return Pieces::PieceOffset(blockPieces_[static_cast<size_t>(i)]) == Pieces::kFillerOffset;
    };
    auto countOf = [&](int i) { return Pieces::PieceCount(blockPieces_[static_cast<size_t>(i)]); };
    int first = 0;
    int last = blockPieceCount_ - 1;
    int fillerInFront = 0;
    int fillerBehind = 0;
    if (first <= last && isFiller(first)) fillerInFront = countOf(first++);
    if (first <= last && isFiller(last)) fillerBehind = countOf(last--);
    if (first > last || fillerInFront > 1 || fillerBehind > Pieces::kMostFillerBehind) return false;
    for (int i = first; i <= last; ++i) {
        if (isFiller(i)) return false;
        const PieceLine& line = blockPieceLines_[static_cast<size_t>(i)];
        const uint32_t start = Pieces::PieceOffset(blockPieces_[static_cast<size_t>(i)]);
        if (i > first && (line.line != blockPieceLines_[static_cast<size_t>(i - 1)].line + 1 ||
                          start != line.start)) {
            return false;
        }
        if (i < last && start + 2 * static_cast<uint32_t>(countOf(i)) != line.end) return false;
    }
    const uint32_t firstStart = Pieces::PieceOffset(blockPieces_[static_cast<size_t>(first)]);
    destination_.entries_.push_back(
        {blockAddress_,
         Pieces::WholeLinesCount(blockCount_, countOf(first), fillerInFront, fillerBehind),
         Pieces::kWholeLines | firstStart});
    return true;
}

void BlockAssembler::AppendFiller(int n) {
    if (n <= 0) return;
    // Filler right after filler of the same block widens that piece.
    if (blockPieceCount_ > 0) {
        uint32_t& last = blockPieces_[static_cast<size_t>(blockPieceCount_ - 1)];
        if (RecordList::PieceOffset(last) == RecordList::kFillerOffset) {
            last = RecordList::Piece(RecordList::kFillerOffset, RecordList::PieceCount(last) + n);
            blockCount_ += n;
            return;
        }
    }
    blockPieces_[static_cast<size_t>(blockPieceCount_++)] =
        RecordList::Piece(RecordList::kFillerOffset, n);
    blockCount_ += n;
}

void BlockAssembler::AppendBytesOf(const RawRecord& raw, int n) {
    if (n <= 0) return;
    blockPieceLines_[static_cast<size_t>(blockPieceCount_)] = {raw.line, raw.lineStart,
                                                               raw.lineEnd};
    blockPieces_[static_cast<size_t>(blockPieceCount_++)] = RecordList::Piece(raw.textOffset, n);
    blockCount_ += n;
}

void BlockAssembler::CutBack(int n) {
    blockCount_ -= n;
    while (n > 0) {
        uint32_t& last = blockPieces_[static_cast<size_t>(blockPieceCount_ - 1)];
        const int count = RecordList::PieceCount(last);
        if (count <= n) {
            --blockPieceCount_;
            n -= count;
        } else {
            last = RecordList::Piece(RecordList::PieceOffset(last), count - n);
            n = 0;
        }
    }
}

}  // namespace updater
