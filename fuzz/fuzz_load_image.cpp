// libFuzzer target: arbitrary bytes as a stored image, through descrambling, the S-record reader
// and the block assembly, then the identity, tag and transfer-order operations. The same bytes
// are also parsed as plain text, so that the reader's paths are reached without the scrambling.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "image/ImageLoader.h"

namespace {

void CheckAreas(const updater::RecordList& main, const updater::RecordList& top) {
    std::array<uint8_t, 8> version{};
    std::array<uint8_t, 16> tag{};
    updater::RecordList transfer;
    updater::ImageLoader::CheckIdentityBlock(main, version);
    updater::ImageLoader::ReadTopAreaTag(top, tag);
    updater::ImageLoader::BuildTopAreaTransferList(top, transfer);
    for (const updater::RecordList* list : {&main, &top}) {
        for (const updater::ImageRecord& block : *list) {
            if (block.count < 0 || block.count > updater::kMaxRecordBytes) __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    {
        updater::RecordList low, main, top;
        updater::ImageLoader loader;
        loader.LoadImageFromBytes(low, main, top, bytes);
        CheckAreas(main, top);
    }
    {
        updater::RecordList low, main, top;
        updater::ImageLoader loader;
        loader.SetText(bytes);
        loader.ParseImage(low, main, top);
        CheckAreas(main, top);
    }
    return 0;
}
