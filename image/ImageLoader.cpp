// Loading an image: read the source whole, descramble it, parse it into the three area lists.
#include "image/ImageLoader.h"

#include <utility>

#include "image/Guarded.h"
#include "image/ImageAreas.h"
#include "image/ImageFile.h"
#include "res/EmbeddedImage.h"

namespace updater {

int ImageLoader::LoadImage(RecordList& lowArea, RecordList& mainArea, RecordList& topArea,
                           std::string path, int fromFile) {
    return Guarded([&] {
        path_ = std::move(path);
        if (ReadSource(fromFile) != 0) return 1;
        return ParseImage(lowArea, mainArea, topArea);
    });
}

int ImageLoader::LoadImageFromBytes(RecordList& lowArea, RecordList& mainArea, RecordList& topArea,
                                    std::span<const uint8_t> stored) {
    return Guarded([&] {
        if (ReadSourceBytes(stored) != 0) return 1;
        return ParseImage(lowArea, mainArea, topArea);
    });
}

int ImageLoader::ReadSource(int fromFile) {
    return Guarded([&] {
        if (fromFile != 0) return ReadUserFile();
        const std::span<const uint8_t> embedded = EmbeddedImageBytes();
        if (embedded.data() == nullptr) return 1;
        return TakeStoredBytes(embedded);
    });
}

int ImageLoader::ReadSourceBytes(std::span<const uint8_t> stored) {
    return Guarded([&] { return TakeStoredBytes(stored); });
}

int ImageLoader::ReadUserFile() {
    buffer_.clear();
    buffer_.shrink_to_fit();
    cursor_ = 0;
    std::vector<uint8_t> bytes;
    if (ReadImageFile(path_, kMaxImageFileSize, bytes) != FileReadResult::Ok) return 1;
    buffer_ = std::move(bytes);
    Descramble(buffer_.data(), static_cast<int64_t>(buffer_.size()));
    SkipLeadingBlanks();
    return 0;
}

int ImageLoader::TakeStoredBytes(std::span<const uint8_t> stored) {
    buffer_.assign(stored.begin(), stored.end());  // the source itself stays unchanged
    cursor_ = 0;
    Descramble(buffer_.data(), static_cast<int64_t>(buffer_.size()));
    SkipLeadingBlanks();
    return 0;
}

void ImageLoader::SetText(std::span<const uint8_t> text) {
    buffer_.assign(text.begin(), text.end());
    cursor_ = 0;
}

void ImageLoader::SkipLeadingBlanks() {
    while (cursor_ < buffer_.size() && (buffer_[cursor_] == ' ' || buffer_[cursor_] == '\n')) {
        ++cursor_;
    }
}

int ImageLoader::ParseImage(RecordList& lowArea, RecordList& mainArea, RecordList& topArea) {
    return Guarded([&] {
        lowArea.Clear();
        mainArea.Clear();
        topArea.Clear();
        RecordList all, low, main, top;
        if (ReadSRecords(all) != 0) return 1;
        SelectAddressRange(all, low, kLowArea.first, kLowArea.last);
        SelectAddressRange(all, main, kMainArea.first, kMainArea.last);
        SelectAddressRange(all, top, kTopArea.first, kTopArea.last);
        all.Clear();
        if (AssembleBlocks(low, lowArea) != 0) return 1;
        if (AssembleBlocks(main, mainArea) != 0) return 1;
        if (AssembleBlocks(top, topArea) != 0) return 1;
        return 0;
    });
}

}  // namespace updater
