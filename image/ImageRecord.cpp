#include "image/ImageRecord.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "image/ImageText.h"
#include "image/SRecordReader.h"

namespace updater {

namespace {
// The bytes a record's pieces hold: a record never holds more than 128.
int HeldBytes(int32_t count) { return std::clamp(count, 0, kMaxRecordBytes); }
}  // namespace

void ClearRecord(ImageRecord& record) {
    record.count = 0;
    record.address = 0;
    record.text.fill(0);
}

void RecordList::Append(const ImageRecord& record) {
    const size_t chars = 2 * static_cast<size_t>(HeldBytes(record.count));
    if (ownText_.size() + chars >= kOwnText) throw std::length_error("record list text");
    entries_.push_back(
        {record.address, record.count, static_cast<uint32_t>(ownText_.size()) | kOwnText});
    ownText_.insert(ownText_.end(), record.text.begin(),
                    record.text.begin() + static_cast<std::ptrdiff_t>(chars));
}

bool RecordList::Shares(const std::shared_ptr<PieceStore>& store) {
    if (store_ == store) return true;
    if (store_ != nullptr) return false;
    store_ = store;
    return true;
}

void RecordList::AppendFrom(const RecordList& other, int i) {
    const Entry& entry = other.entries_[static_cast<size_t>(i)];
    if ((entry.where & kOwnText) != 0 || !Shares(other.store_)) {
        Append(other[i]);
        return;
    }
    entries_.push_back(entry);
}

void RecordList::Clear() {
    entries_.clear();
    ownText_.clear();
    store_.reset();
}

void RecordList::ReadWholeLines(const Entry& entry, ImageRecord& record) const {
    const ImageText& text = *store_->text;
    const auto packed = static_cast<uint32_t>(entry.count);
    const int firstLineBytes = static_cast<int>((packed >> 8) & 0xFF);
    const int fillerInFront = static_cast<int>((packed >> 16) & 1);
    const int fillerBehind = static_cast<int>((packed >> 17) & 7);
    char* out = record.text.data();
    std::memset(out, 'F', 2 * static_cast<size_t>(fillerInFront));
    out += 2 * fillerInFront;
    size_t start = entry.where & kTextOffsetMask;
    int bytes = firstLineBytes;
    int left = record.count - fillerInFront - fillerBehind;
    for (;;) {
        const int taken = std::min(bytes, left);
        text.CopyPlain(start, 2 * static_cast<size_t>(taken), out);
        out += 2 * taken;
        left -= taken;
        if (left == 0) break;
        DataLinePlace next;
        // The block was stored as whole lines only after its lines were seen in the text.
        if (!NextDataLine(text, start + 2 * static_cast<size_t>(bytes), next)) {
            throw std::logic_error("a block's data line is missing from the image text");
        }
        start = next.start;
        bytes = next.bytes;
    }
    std::memset(out, 'F', 2 * static_cast<size_t>(fillerBehind));
}

ImageRecord RecordList::operator[](int i) const {
    const Entry& entry = entries_[static_cast<size_t>(i)];
    ImageRecord record;
    record.address = entry.address;
    record.count = entry.Count();
    const int held = HeldBytes(record.count);
    if ((entry.where & kWholeLines) != 0) {
        ReadWholeLines(entry, record);
        return record;
    }
    if ((entry.where & kOwnText) != 0) {
        std::memcpy(record.text.data(), ownText_.data() + (entry.where & ~kOwnText),
                    2 * static_cast<size_t>(held));
        return record;
    }
    char* out = record.text.data();
    for (int filled = 0, p = static_cast<int>(entry.where); filled < held; ++p) {
        const uint32_t piece = store_->pieces[static_cast<size_t>(p)];
        const int count = PieceCount(piece);
        const size_t chars = 2 * static_cast<size_t>(count);
        const uint32_t offset = PieceOffset(piece);
        if (offset == kFillerOffset) {
            std::memset(out, 'F', chars);
        } else {
            store_->text->CopyPlain(offset, chars, out);
        }
        out += chars;
        filled += count;
    }
    return record;
}

}  // namespace updater
