// Reads the accepted subset of Motorola S-records: one S0 header, S2 data lines, and an
// S5/S7/S8 record that ends the text. Never reads past the buffer's length. A data line becomes
// a raw record that points at its digit pairs in the text; nothing of the line is copied.
#include <algorithm>
#include <cstring>

#include "image/Guarded.h"
#include "image/ImageAreas.h"
#include "image/ImageLoader.h"
#include "image/RawRecord.h"
#include "image/RecordText.h"

namespace updater {

namespace {

bool IsBlank(uint8_t c) { return c == ' ' || c == '\r' || c == '\n'; }

class TextCursor {
  public:
    TextCursor(std::span<const uint8_t> text, size_t& position) : text_(text), pos_(position) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    uint8_t Peek() const { return text_[pos_]; }
    void Advance() { ++pos_; }
    size_t Position() const { return pos_; }

    void SkipBlanks() {
        while (!AtEnd() && IsBlank(Peek())) Advance();
    }
    // Moves to the next 'S' at or after the cursor; false when the text ends first.
    bool SeekRecordStart() {
        if (AtEnd()) return false;
        const void* found = std::memchr(text_.data() + pos_, 'S', text_.size() - pos_);
        if (found == nullptr) {
            pos_ = text_.size();
            return false;
        }
        pos_ = static_cast<size_t>(static_cast<const uint8_t*>(found) - text_.data());
        return true;
    }
    // Reads digits characters as one big-endian hexadecimal number.
    bool ReadHex(int digits, uint32_t& value) {
        if (text_.size() - pos_ < static_cast<size_t>(digits)) return false;
        value = 0;
        for (int i = 0; i < digits; ++i) value = value * 16 + kHexDigitValues[text_[pos_ + i]];
        pos_ += static_cast<size_t>(digits);
        return true;
    }
    // Passes over the digit pairs of bytes data bytes and adds up their values.
    bool ReadDataText(int bytes, uint32_t& sum) {
        const size_t chars = 2 * static_cast<size_t>(bytes);
        if (text_.size() - pos_ < chars) return false;
        const uint8_t* pairs = text_.data() + pos_;
        for (int i = 0; i < bytes; ++i) {
            sum += DigitPairValue(static_cast<char>(pairs[2 * i]),
                                  static_cast<char>(pairs[2 * i + 1]));
        }
        pos_ += chars;
        return true;
    }

  private:
    std::span<const uint8_t> text_;
    size_t& pos_;
};

constexpr int kMinCountField = 4;  // three address bytes and the checksum
constexpr int kMaxCountField = kMinCountField + kMaxRecordBytes;

// Reads the fields after "S2" into record; false when the line is malformed or cut off.
bool ReadDataLine(TextCursor& cursor, RawRecord& record) {
    uint32_t countField = 0;
    if (!cursor.ReadHex(2, countField)) return false;
    if (countField < kMinCountField || countField > kMaxCountField) return false;
    const int dataBytes = static_cast<int>(countField) - kMinCountField;

    uint32_t address = 0;
    if (!cursor.ReadHex(6, address)) return false;
    uint32_t sum = countField + (address >> 16) + ((address >> 8) & 0xFF) + (address & 0xFF);
    const size_t textOffset = cursor.Position();
    if (!cursor.ReadDataText(dataBytes, sum)) return false;
    uint32_t checksum = 0;
    if (!cursor.ReadHex(2, checksum)) return false;

    if (checksum != 255 - (sum & 0xFF)) return false;
    if (address == 0 || address > kMaxLineAddress) return false;
    record.address = address;
    record.count = dataBytes;
    record.textOffset = static_cast<uint32_t>(textOffset);
    return true;
}

ImageProblem ReadRecordsFrom(std::span<const uint8_t> text, size_t& position, RawRecordList& out) {
    TextCursor cursor(text, position);
    cursor.SkipBlanks();
    if (cursor.AtEnd() || cursor.Peek() != 'S') return ImageProblem::NotSRecordText;

    // One reservation for the most data lines the rest of the text can hold.
    const size_t mostLines = (text.size() - cursor.Position()) / kShortestDataLine + 1;
    out.reserve(std::min(mostLines, static_cast<size_t>(kMaxDataLines)));

    bool headerSeen = false;
    RawRecord record;
    for (;;) {
        if (!cursor.SeekRecordStart()) return ImageProblem::MalformedSRecord;  // no termination
        cursor.Advance();
        if (cursor.AtEnd()) return ImageProblem::MalformedSRecord;
        const uint8_t type = cursor.Peek();
        cursor.Advance();
        switch (type) {
            case '0':
                if (headerSeen) return ImageProblem::MalformedSRecord;
                headerSeen = true;  // its content is not examined
                break;
            case '2':
                if (!headerSeen) return ImageProblem::MalformedSRecord;
                if (!ReadDataLine(cursor, record)) return ImageProblem::MalformedSRecord;
                if (out.size() == static_cast<size_t>(kMaxDataLines))
                    return ImageProblem::TooManyDataLines;
                out.push_back(record);
                break;
            case '5':
            case '7':
            case '8':
                return headerSeen ? ImageProblem::None : ImageProblem::MalformedSRecord;
            default:
                break;  // other records are passed over
        }
    }
}

}  // namespace

int ImageLoader::ReadSRecords(RawRecordList& out) {
    return Guarded([&] {
        problem_ = ReadRecordsFrom(Buffer(), cursor_, out);
        return problem_ == ImageProblem::None ? 0 : 1;
    });
}

int ImageLoader::ReadSRecords(RecordList& out) {
    RawRecordList raw;
    if (ReadSRecords(raw) != 0) return 1;
    return Guarded([&] {
        out.Reserve(out.Size() + static_cast<int>(raw.size()));
        for (const RawRecord& record : raw) out.Append(ToImageRecord(record, Buffer()));
        return 0;
    });
}

}  // namespace updater
