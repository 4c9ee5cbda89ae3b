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

bool ImageLoader::CheckIdentityBlock(const RecordList& mainArea,
                                     std::array<uint8_t, 8>& imageVersion) {
    for (int i = 0; i < mainArea.Size(); ++i) {
        const uint32_t address = mainArea.AddressOf(i);
        if (address < kIdentitySearchStart ||
            address + static_cast<uint32_t>(mainArea.CountOf(i)) < kIdentityAddress) {
            continue;
        }
        const int first =
            address < kIdentityAddress ? static_cast<int>(kIdentityAddress - address) : 0;
        int held = 0;
        const auto bytes = BytesFrom(mainArea[i], first, held);
        // A block too short to hold the whole identity string cannot match it.
        if (held < kIdentityLength) return false;
        if (std::memcmp(bytes.data(), kModelIdentity, kIdentityLength) != 0) return false;
        std::memcpy(imageVersion.data(), bytes.data() + kVersionOffset, kImageVersionLength);
        return true;
    }
    return true;  // no identity block: nothing to reject
}

bool ImageLoader::ReadTopAreaTag(const RecordList& topArea, std::array<uint8_t, 16>& topAreaTag) {
    for (int i = 0; i < topArea.Size(); ++i) {
        const uint32_t address = topArea.AddressOf(i);
        if (address == kVersionBlockAddress) {
            int held = 0;
            const auto bytes = BytesFrom(topArea[i], 0, held);
            std::memcpy(topAreaTag.data(), bytes.data() + kTagOffset, kTagLength);
            return true;
        }
        if (address >= kVersionBlockLimit) return false;
    }
    return true;
}

bool ImageLoader::BuildTopAreaTransferList(const RecordList& topArea, RecordList& transferList) {
    return Guarded([&] {
        // The block at the top of the area goes first, then the rest up to kTopTransferFirst.
        // Sized once; the blocks' pieces are shared with the area's list, not copied.
        transferList.Reserve(transferList.Size() + topArea.Size() + 1);
        for (int i = 0; i < topArea.Size(); ++i) {
            if (topArea.AddressOf(i) >= kTopTransferFirst) {
                transferList.AppendFrom(topArea, i);
                break;
            }
        }
        for (int i = 0; i < topArea.Size(); ++i) {
            if (topArea.AddressOf(i) <= kTopTransferFirst) transferList.AppendFrom(topArea, i);
        }
        return true;
    });
}

}  // namespace updater
