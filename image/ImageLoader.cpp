// Loading an image: read the source whole, descramble it, parse it into the three area lists.
#include "image/ImageLoader.h"

#include <utility>

#include "image/BlockAssembler.h"
#include "image/Guarded.h"
#include "image/ImageAreas.h"
#include "image/ImageFile.h"
#include "image/RawRecord.h"
#include "res/EmbeddedImage.h"

namespace updater {

namespace {

// Appends the blocks of one area. No line closes more than one block, so the area's line count
// is room enough: the list is reserved once and never moves while it fills.
int AssembleBlocks(std::span<const uint8_t> text, const AreaRecords& records,
                   RecordList& destination) {
    destination.Reserve(destination.Size() + records.Count());
    return BlockAssembler(text, destination).AssembleBlocks(records);
}

}  // namespace

int ImageLoader::LoadImage(RecordList& lowArea, RecordList& mainArea, RecordList& topArea,
                           std::optional<std::string> file) {
    return Guarded([&] {
        path_ = std::move(file);
        if (ReadSource() != 0) return 1;
        return ParseSourceText(lowArea, mainArea, topArea);
    });
}

int ImageLoader::LoadImageFromBytes(RecordList& lowArea, RecordList& mainArea, RecordList& topArea,
                                    std::span<const uint8_t> stored) {
    return Guarded([&] {
        if (ReadSourceBytes(stored) != 0) return 1;
        return ParseSourceText(lowArea, mainArea, topArea);
    });
}

int ImageLoader::ParseSourceText(RecordList& lowArea, RecordList& mainArea, RecordList& topArea) {
    if (ParseImage(lowArea, mainArea, topArea) == 0) return 0;
    if (buffer_.empty()) {
        problem_ = ImageProblem::EmptyFile;
    } else if (StoredBytesReadAsPlainText()) {
        problem_ = ImageProblem::PlainSRecordText;
    }
    return 1;
}

// A user's file is always descrambled; a plain S-record file turns into noise that way. When
// the source's own bytes read as S-records, the technician is told that, not "no S-records".
bool ImageLoader::StoredBytesReadAsPlainText() {
    if (problem_ != ImageProblem::NotSRecordText && problem_ != ImageProblem::MalformedSRecord) {
        return false;
    }
    ImageLoader plain;
    plain.SetText(buffer_);
    Descramble(plain.buffer_.data(), static_cast<int64_t>(plain.buffer_.size()));
    std::vector<RawRecord> records;
    return plain.ReadSRecords(records) == 0;
}

int ImageLoader::ReadSource() {
    const int result = Guarded([&] {
        problem_ = ImageProblem::None;
        if (path_) return ReadUserFile();
        const std::span<const uint8_t> embedded = EmbeddedImageBytes();
        if (embedded.data() == nullptr) return Fail(ImageProblem::EmbeddedImageMissing);
        return TakeStoredBytes(embedded);
    });
    return result == 0 ? 0 : Fail(problem_);
}

int ImageLoader::ReadSourceBytes(std::span<const uint8_t> stored) {
    problem_ = ImageProblem::None;
    return Guarded([&] { return TakeStoredBytes(stored); }) == 0 ? 0 : Fail(problem_);
}

int ImageLoader::ReadUserFile() {
    buffer_.clear();
    buffer_.shrink_to_fit();
    cursor_ = 0;
    std::vector<uint8_t> bytes;
    const ImageProblem problem = ReadImageFile(*path_, kMaxImageFileSize, bytes);
    if (problem != ImageProblem::None) return Fail(problem);
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
    const int result = Guarded([&] {
        problem_ = ImageProblem::None;
        lowArea.Clear();
        mainArea.Clear();
        topArea.Clear();
        std::vector<RawRecord> records;  // every data line of the text
        if (ReadSRecords(records) != 0) return 1;
        const std::span<const uint8_t> text = Buffer();
        if (AssembleBlocks(text, SelectAddressRange(records, kLowArea), lowArea) != 0 ||
            AssembleBlocks(text, SelectAddressRange(records, kMainArea), mainArea) != 0 ||
            AssembleBlocks(text, SelectAddressRange(records, kTopArea), topArea) != 0) {
            return Fail(ImageProblem::BlocksDoNotFit);
        }
        return 0;
    });
    return result == 0 ? 0 : Fail(problem_);
}

// Records why the operation failed and gives its result 1. A failure without a reason of its
// own can only be an exception caught by Guarded: memory ran out.
int ImageLoader::Fail(ImageProblem problem) {
    problem_ = problem == ImageProblem::None ? ImageProblem::OutOfMemory : problem;
    return 1;
}

}  // namespace updater
