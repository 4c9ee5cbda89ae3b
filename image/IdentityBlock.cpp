// Finds the model identity and the image version in the main area, and the top-area tag in
// the version block of the top area.
#include <cstring>

#include "image/Guarded.h"
#include "image/ImageAreas.h"
#include "image/ImageLoader.h"

namespace updater {

namespace {

// Bytes from index first of block on; positions the block does not hold read as 0xFF.
std::array<uint8_t, kMaxRecordBytes> BytesFrom(const ImageRecord& block, int first, int& held) {
    std::array<uint8_t, kMaxRecordBytes> bytes;
    bytes.fill(0xFF);
    held = block.count > first ? block.count - first : 0;
    for (int i = 0; i < held; ++i) bytes[static_cast<size_t>(i)] = block.ByteAt(first + i);
    return bytes;
}

}  // namespace

int ImageLoader::CheckIdentityBlock(const RecordList& mainArea,
                                    std::array<uint8_t, 8>& imageVersion) {
    for (const ImageRecord& block : mainArea) {
        if (block.address < kIdentitySearchStart || block.End() < kIdentityAddress) continue;
        const int first = block.address < kIdentityAddress
                              ? static_cast<int>(kIdentityAddress - block.address)
                              : 0;
        int held = 0;
        const auto bytes = BytesFrom(block, first, held);
        // A block too short to hold the whole identity string cannot match it.
        if (held < kIdentityLength) return 1;
        if (std::memcmp(bytes.data(), kModelIdentity, kIdentityLength) != 0) return 1;
        std::memcpy(imageVersion.data(), bytes.data() + kVersionOffset, kImageVersionLength);
        return 0;
    }
    return 0;  // no identity block: nothing to reject
}

int ImageLoader::ReadTopAreaTag(const RecordList& topArea, std::array<uint8_t, 16>& topAreaTag) {
    for (const ImageRecord& block : topArea) {
        if (block.address == kVersionBlockAddress) {
            int held = 0;
            const auto bytes = BytesFrom(block, 0, held);
            std::memcpy(topAreaTag.data(), bytes.data() + kTagOffset, kTagLength);
            return 0;
        }
        if (block.address >= kVersionBlockLimit) return 1;
    }
    return 0;
}

int ImageLoader::BuildTopAreaTransferList(const RecordList& topArea, RecordList& transferList) {
    return Guarded([&] {
        // The block at the top of the area goes first, then the rest up to kTopTransferFirst.
        transferList.Reserve(transferList.Size() + topArea.Size() + 1);
        for (const ImageRecord& block : topArea) {
            if (block.address >= kTopTransferFirst) {
                transferList.Append(block);
                break;
            }
        }
        for (const ImageRecord& block : topArea) {
            if (block.address <= kTopTransferFirst) transferList.Append(block);
        }
        return 0;
    });
}

}  // namespace updater
