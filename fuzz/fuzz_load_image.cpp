// libFuzzer target: arbitrary bytes as a stored image, through descrambling, the S-record reader
// and the block assembly, then the identity, tag and transfer-order operations. The same bytes
// are also parsed as plain text, so that the reader's paths are reached without the scrambling.
// Whatever the bytes, every block stored in any area must be a transfer block the radio takes,
// and a load fails exactly when it gives a reason.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "image/ImageLoader.h"

namespace {

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

// Even start, 0..128 bytes in whole words, in address order without overlapping the block
// stored before it in the same area.
void CheckBlocks(const updater::RecordList& area) {
    uint32_t previousEnd = 0;
    for (const updater::ImageRecord& block : area) {
        Require(block.count >= 0 && block.count <= updater::kMaxRecordBytes);
        Require(block.count % 4 == 0);
        Require(block.address % 2 == 0);
        Require(block.address >= previousEnd);
        previousEnd = block.End();
    }
}

void CheckLoad(const updater::ImageLoader& loader, bool loaded, const updater::RecordList& low,
               const updater::RecordList& main, const updater::RecordList& top) {
    Require(loaded == (loader.Problem() == updater::ImageProblem::None));
    for (const updater::RecordList* area : {&low, &main, &top}) CheckBlocks(*area);

    std::array<uint8_t, 8> version{};
    std::array<uint8_t, 16> tag{};
    updater::RecordList transfer;
    updater::ImageLoader::CheckIdentityBlock(main, version);
    updater::ImageLoader::ReadTopAreaTag(top, tag);
    Require(updater::ImageLoader::BuildTopAreaTransferList(top, transfer));
    Require(transfer.Size() <= top.Size() + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    {
        updater::RecordList low, main, top;
        updater::ImageLoader loader;
        const bool loaded = loader.LoadImage(low, main, top, updater::StoredImage::Copied(bytes));
        CheckLoad(loader, loaded, low, main, top);
    }
    {
        updater::RecordList low, main, top;
        updater::ImageLoader loader;
        loader.SetText(bytes);
        const bool loaded = loader.ParseImage(low, main, top);
        CheckLoad(loader, loaded, low, main, top);
    }
    return 0;
}
