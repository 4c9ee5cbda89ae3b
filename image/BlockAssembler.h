#pragma once
// Internal to the image subsystem. Turns the raw records of one area into transfer blocks: at
// most 128 bytes, even start, byte count a multiple of 4. Contiguous lines are joined, short
// holes filled with 0xFF, and a block's tail is completed from the start of the following line
// where the data continue.

#include <cstdint>
#include <span>

#include "image/ImageRecord.h"
#include "image/RawRecord.h"

namespace updater {

class BlockAssembler {
  public:
    // text holds the digit pairs of the raw records; the blocks are appended to destination.
    BlockAssembler(std::span<const uint8_t> text, RecordList& destination)
        : text_(text), destination_(destination) {}

    // 0, or 1 as soon as a step fails; the blocks stored until then stay in destination.
    int AssembleBlocks(const AreaRecords& records);

  private:
    // The steps of AssembleBlocks. record and next are working copies that the steps may
    // shorten; the step for the following record uses the shortened next.
    int StartBlock(const RawRecord& record);
    int CloseBlock(RawRecord& record, RawRecord& next);
    int CloseFinalBlock();
    void StoreBlock();

    std::span<const uint8_t> text_;
    RecordList& destination_;
    ImageRecord block_;     // the block under construction
    uint32_t lastEnd_ = 0;  // the end of the block stored last
};

}  // namespace updater
