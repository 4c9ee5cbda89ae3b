#include "image/ImageRecord.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "image/ImageText.h"

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
    const int held = HeldBytes(record.count);
    if (ownText_.size() + 2 * static_cast<size_t>(held) > kFillerOffset) {
        throw std::length_error("record list text");
    }
    entries_.push_back({record.address, record.count, static_cast<uint32_t>(pieces_.size())});
    if (held == 0) return;
    pieces_.push_back(Piece(static_cast<uint32_t>(ownText_.size()), held) | kOwnText);
    ownText_.insert(ownText_.end(), record.text.begin(), record.text.begin() + 2 * held);
}

bool RecordList::SharesText(const std::shared_ptr<const ImageText>& text) {
    if (text_ == text) return true;
    if (text_ != nullptr) return false;
    text_ = text;
    return true;
}

void RecordList::AppendFrom(const RecordList& other, int i) {
    const Entry& entry = other.entries_[static_cast<size_t>(i)];
    const bool ownText =
        HeldBytes(entry.count) > 0 && (other.pieces_[entry.firstPiece] & kOwnText) != 0;
    if (ownText || (other.text_ != nullptr && !SharesText(other.text_))) {
        Append(other[i]);
        return;
    }
    entries_.push_back({entry.address, entry.count, static_cast<uint32_t>(pieces_.size())});
    for (int held = 0, p = static_cast<int>(entry.firstPiece); held < HeldBytes(entry.count); ++p) {
        const uint32_t piece = other.pieces_[static_cast<size_t>(p)];
        pieces_.push_back(piece);
        held += PieceCount(piece);
    }
}

void RecordList::Clear() {
    entries_.clear();
    pieces_.clear();
    ownText_.clear();
    text_.reset();
}

ImageRecord RecordList::operator[](int i) const {
    const Entry& entry = entries_[static_cast<size_t>(i)];
    ImageRecord record;
    record.address = entry.address;
    record.count = entry.count;
    char* out = record.text.data();
    const int held = HeldBytes(entry.count);
    for (int filled = 0, p = static_cast<int>(entry.firstPiece); filled < held; ++p) {
        const uint32_t piece = pieces_[static_cast<size_t>(p)];
        const int count = PieceCount(piece);
        const size_t chars = 2 * static_cast<size_t>(count);
        const uint32_t offset = PieceOffset(piece);
        if ((piece & kOwnText) != 0) {
            std::memcpy(out, ownText_.data() + offset, chars);
        } else if (offset == kFillerOffset) {
            std::memset(out, 'F', chars);
        } else {
            text_->CopyPlain(offset, chars, out);
        }
        out += chars;
        filled += count;
    }
    return record;
}

}  // namespace updater
