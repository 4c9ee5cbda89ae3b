// Loading an image: take the source as stored, then read and assemble it in one pass into the
// three area lists.
#include "image/ImageLoader.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "image/BlockAssembler.h"
#include "image/Guarded.h"
#include "image/ImageAreas.h"
#include "image/ImageText.h"
#include "image/SRecordReader.h"

namespace updater {

namespace {

// Hands each data line to the assembler of the area that its start address falls in; lines
// outside the areas are dropped, and counted for the user's warning.
class AreaRouter : public RawRecordSink {
  public:
    AreaRouter(RecordList& lowArea, RecordList& mainArea, RecordList& topArea,
               ImageLoader::LinesOutside& outside)
        : low_(lowArea), main_(mainArea), top_(topArea), outside_(outside) {}

    void Take(const RawRecord& record) override {
        if (BlockAssembler* area = AreaOf(record.address)) {
            area->Add(record);
        } else if (outside_.count++ == 0) {
            outside_.firstAddress = record.address;
        }
    }
    // Closes the areas in order. The first that fails is the last to keep blocks: the areas
    // after it are emptied, as if their assembly had never begun.
    bool Finish(RecordList& mainArea, RecordList& topArea) {
        if (!low_.Finish()) {
            mainArea.Clear();
            topArea.Clear();
            return false;
        }
        if (!main_.Finish()) {
            topArea.Clear();
            return false;
        }
        return top_.Finish();
    }

  private:
    BlockAssembler* AreaOf(uint32_t address) {
        if (address >= kLowArea.first && address <= kLowArea.last) return &low_;
        if (address >= kMainArea.first && address <= kMainArea.last) return &main_;
        if (address >= kTopArea.first && address <= kTopArea.last) return &top_;
        return nullptr;
    }
    BlockAssembler low_, main_, top_;
    ImageLoader::LinesOutside& outside_;
};

class RawRecordCollector : public RawRecordSink {
  public:
    void Take(const RawRecord& record) override { records.push_back(record); }
    std::vector<RawRecord> records;
};

// Room for the blocks that a text of this size gives when its lines are of a usual length (about
// one block per 256 characters at 32 bytes a line), and no more than an area of this size holds
// in blocks of 128 bytes with a few holes. Lists that need more grow. Room that is not filled
// is never touched, and storage this small comes from the heap the program already has instead
// of fresh mappings: a program's start pays for every fresh page.
size_t UsualBlocks(size_t textSize) { return textSize / 256 + 16; }
// Below this text size the lists just grow: a reservation would cost more than the moves it
// saves.
constexpr size_t kReserveFrom = 64 * 1024;
size_t UsualBlocks(size_t textSize, const ImageArea& area) {
    return std::min<size_t>(UsualBlocks(textSize), (area.last - area.first + 1) / 128 + 32);
}

}  // namespace

bool ImageLoader::LoadImage(RecordList& lowArea, RecordList& mainArea, RecordList& topArea,
                            const StoredImage& stored) {
    return Guarded([&] {
        path_ = stored.Path();
        if (!ReadSource(stored)) return false;
        return ParseSourceText(lowArea, mainArea, topArea);
    });
}

bool ImageLoader::ParseSourceText(RecordList& lowArea, RecordList& mainArea, RecordList& topArea) {
    if (ParseImage(lowArea, mainArea, topArea)) return true;
    if (text_->Size() == 0) {
        problem_ = ImageProblem::EmptyFile;
    } else if (StoredBytesReadAsPlainText()) {
        problem_ = ImageProblem::PlainSRecordText;
    }
    return false;
}

// A user's file is always descrambled; a plain S-record file turns into noise that way. When
// the source's own bytes read as S-records, the technician is told that, not "no S-records".
bool ImageLoader::StoredBytesReadAsPlainText() {
    if (problem_ != ImageProblem::NotSRecordText && problem_ != ImageProblem::MalformedSRecord &&
        problem_ != ImageProblem::NoHeader) {
        return false;
    }
    if (!text_->Scrambled()) return false;
    const auto plain = ImageText::Borrowed(text_->Bytes(), false);  // lives within this call
    size_t position = 0;
    RawRecordCollector ignored;
    return ReadSRecordText(*plain, position, ignored) == ImageProblem::None;
}

bool ImageLoader::ReadSource(const StoredImage& stored) {
    problem_ = ImageProblem::None;
    text_.reset();
    cursor_ = 0;
    if (stored.Problem() != ImageProblem::None) return Fail(stored.Problem());
    if (stored.Text() == nullptr) return Fail(ImageProblem::EmbeddedImageMissing);
    return TakeText(stored.Text());
}

bool ImageLoader::TakeText(std::shared_ptr<const ImageText> text) {
    text_ = std::move(text);
    cursor_ = 0;
    SkipLeadingBlanks();
    return true;
}

void ImageLoader::SetText(std::span<const uint8_t> text) {
    text_ = ImageText::Owned({text.begin(), text.end()}, false);
    cursor_ = 0;
}

void ImageLoader::SkipLeadingBlanks() {
    while (cursor_ < text_->Size()) {
        const uint8_t c = text_->CharAt(cursor_);
        if (c != ' ' && c != '\n') break;
        ++cursor_;
    }
}

bool ImageLoader::ParseImage(RecordList& lowArea, RecordList& mainArea, RecordList& topArea) {
    const bool parsed = Guarded([&] {
        problem_ = ImageProblem::None;
        outside_ = {};
        const bool reserve = text_ != nullptr && text_->Size() >= kReserveFrom;
        auto store = std::make_shared<RecordList::PieceStore>();
        store->text = text_;
        if (reserve) store->pieces.reserve(UsualBlocks(text_->Size()));
        for (auto [list, area] : {std::pair{&lowArea, kLowArea}, std::pair{&mainArea, kMainArea},
                                  std::pair{&topArea, kTopArea}}) {
            list->Clear();
            list->store_ = store;
            if (reserve) list->entries_.reserve(UsualBlocks(text_->Size(), area));
        }
        if (text_ == nullptr) return Fail(ImageProblem::NotSRecordText);
        AreaRouter router(lowArea, mainArea, topArea, outside_);
        const ImageProblem read = ReadSRecordText(*text_, cursor_, router);
        if (read != ImageProblem::None) {
            for (RecordList* area : {&lowArea, &mainArea, &topArea}) area->Clear();
            return Fail(read);
        }
        if (!router.Finish(mainArea, topArea)) return Fail(ImageProblem::BlocksDoNotFit);
        return true;
    });
    return parsed || Fail(problem_);
}

bool ImageLoader::ReadSRecords(RecordList& out) {
    return Guarded([&] {
        problem_ = ImageProblem::None;
        if (text_ == nullptr) return Fail(ImageProblem::NotSRecordText);
        RawRecordCollector raw;
        problem_ = ReadSRecordText(*text_, cursor_, raw);
        if (problem_ != ImageProblem::None) return false;
        // A list that holds records already gets copies; a fresh one points into the text.
        std::shared_ptr<RecordList::PieceStore> store;
        if (out.store_ == nullptr && out.Empty()) {
            store = std::make_shared<RecordList::PieceStore>();
            store->text = text_;
            out.store_ = store;
        }
        out.Reserve(out.Size() + static_cast<int>(raw.records.size()));
        for (const RawRecord& record : raw.records) {
            if (store == nullptr) {
                ImageRecord copy;
                copy.address = record.address;
                copy.count = record.count;
                text_->CopyPlain(record.textOffset, 2 * static_cast<size_t>(record.count),
                                 copy.text.data());
                out.Append(copy);
                continue;
            }
            out.entries_.push_back(
                {record.address, record.count, static_cast<uint32_t>(store->pieces.size())});
            if (record.count > 0) {
                store->pieces.push_back(RecordList::Piece(record.textOffset, record.count));
            }
        }
        return true;
    });
}

// Records why the operation failed and gives its result, false. A failure without a reason of
// its own can only be an exception caught by Guarded: memory ran out.
bool ImageLoader::Fail(ImageProblem problem) {
    problem_ = problem == ImageProblem::None ? ImageProblem::OutOfMemory : problem;
    return false;
}

}  // namespace updater
