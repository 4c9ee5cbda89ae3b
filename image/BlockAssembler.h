#pragma once
// Internal to the image subsystem. Turns the raw records of one area, handed over one at a time
// in text order, into transfer blocks: at most 128 bytes, even start, byte count a multiple of
// 4. Contiguous lines are joined, short holes filled with 0xFF, and a block's tail is completed
// from the start of the following line where the data continue. A block is stored as the places
// of its digit pairs in the image's text: no digit pair is copied.

#include <array>
#include <cstdint>

#include "image/ImageRecord.h"
#include "image/RawRecord.h"

namespace updater {

class BlockAssembler {
  public:
    // destination has a piece store whose text the raw records come from.
    explicit BlockAssembler(RecordList& destination);

    // The next record of the area. Each record is assembled once the one after it is known,
    // since a block may take its tail from there. Records after a failed step are ignored.
    void Add(const RawRecord& record);
    // Assembles the last record and closes the last block: true, or false when a step failed;
    // the blocks stored until then stay in destination.
    bool Finish();

  private:
    // The steps of AssembleBlocks. record and next are working copies that the steps may
    // shorten; the step for the following record uses the shortened next.
    bool Assemble(RawRecord& record, RawRecord& next);
    bool StartBlock(const RawRecord& record);
    bool CloseBlock(RawRecord& record, RawRecord& next);
    bool CloseFinalBlock();
    void StoreBlock();
    bool StoreAsWholeLines();

    void AppendFiller(int n);
    void AppendBytesOf(const RawRecord& raw, int n);
    void CutBack(int n);  // drops the last n bytes of the block
    uint32_t BlockEnd() const { return blockAddress_ + static_cast<uint32_t>(blockCount_); }

    RecordList& destination_;
    RecordList::PieceStore& store_;
    // The block under construction; its pieces go to the store when it is stored. Each piece
    // holds at least one byte, so a block has at most 128.
    uint32_t blockAddress_ = 0;
    int blockCount_ = 0;
    std::array<uint32_t, kMaxRecordBytes> blockPieces_;
    // For each text piece, the data line it lies in (filler pieces leave theirs unused).
    struct PieceLine {
        uint32_t line;
        uint32_t start;
        uint32_t end;
    };
    std::array<PieceLine, kMaxRecordBytes> blockPieceLines_;
    int blockPieceCount_ = 0;
    uint32_t lastEnd_ = 0;  // the end of the block stored last
    // The record that waits for the one after it, and the one after it: the two take turns, so
    // that no record is copied back and forth.
    std::array<RawRecord, 2> records_;
    int pending_ = 0;  // which of records_ waits
    bool havePending_ = false;
    bool failed_ = false;
};

}  // namespace updater
