// Reads the accepted subset of Motorola S-records: one S0 header, S2 data lines, and an
// S5/S7/S8 record that ends the text. Never reads past the buffer's length.
#include <algorithm>

#include "image/Guarded.h"
#include "image/ImageAreas.h"
#include "image/ImageLoader.h"

namespace updater {

namespace {

bool IsBlank(uint8_t c) { return c == ' ' || c == '\r' || c == '\n'; }

class TextCursor {
  public:
    TextCursor(std::span<const uint8_t> text, size_t& position) : text_(text), pos_(position) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    uint8_t Peek() const { return text_[pos_]; }
    void Advance() { ++pos_; }

    void SkipBlanks() {
        while (!AtEnd() && IsBlank(Peek())) Advance();
    }
    // Moves to the next 'S' at or after the cursor; false when the text ends first.
    bool SeekRecordStart() {
        while (!AtEnd() && Peek() != 'S') Advance();
        return !AtEnd();
    }
    // Reads digits characters as one big-endian hexadecimal number.
    bool ReadHex(int digits, uint32_t& value) {
        if (text_.size() - pos_ < static_cast<size_t>(digits)) return false;
        value = 0;
        for (int i = 0; i < digits; ++i) {
            value = value * 16 + static_cast<uint32_t>(HexDigitValue(static_cast<char>(Peek())));
            Advance();
        }
        return true;
    }
    // Copies 2 * bytes characters unchanged into the record's text.
    bool ReadDataText(ImageRecord& record, int bytes) {
        const size_t chars = 2 * static_cast<size_t>(bytes);
        if (text_.size() - pos_ < chars) return false;
        std::copy_n(text_.begin() + static_cast<std::ptrdiff_t>(pos_), chars, record.text.begin());
        pos_ += chars;
        return true;
    }

  private:
    std::span<const uint8_t> text_;
    size_t& pos_;
};

constexpr int kMinCountField = 4;  // three address bytes and the checksum
constexpr int kMaxCountField = kMinCountField + kMaxRecordBytes;

// Reads the fields after "S2" into record; 1 when the line is malformed or cut off.
int ReadDataLine(TextCursor& cursor, ImageRecord& record) {
    uint32_t countField = 0;
    if (!cursor.ReadHex(2, countField)) return 1;
    if (countField < kMinCountField || countField > kMaxCountField) return 1;
    const int dataBytes = static_cast<int>(countField) - kMinCountField;

    uint32_t address = 0;
    if (!cursor.ReadHex(6, address)) return 1;
    if (!cursor.ReadDataText(record, dataBytes)) return 1;
    uint32_t checksum = 0;
    if (!cursor.ReadHex(2, checksum)) return 1;

    record.count = dataBytes;
    record.address = address;
    uint32_t sum = countField + (address >> 16) + ((address >> 8) & 0xFF) + (address & 0xFF);
    for (int i = 0; i < dataBytes; ++i) sum += record.ByteAt(i);
    if (checksum != 255 - (sum & 0xFF)) return 1;
    if (address == 0 || address > kMaxLineAddress) return 1;
    return 0;
}

int ReadRecordsFrom(std::span<const uint8_t> text, size_t& position, RecordList& out) {
    TextCursor cursor(text, position);
    cursor.SkipBlanks();
    if (cursor.AtEnd() || cursor.Peek() != 'S') return 1;

    bool headerSeen = false;
    ImageRecord record;
    for (;;) {
        if (!cursor.SeekRecordStart()) return 1;  // no termination record
        cursor.Advance();
        if (cursor.AtEnd()) return 1;
        const uint8_t type = cursor.Peek();
        cursor.Advance();
        switch (type) {
            case '0':
                if (headerSeen) return 1;
                headerSeen = true;  // its content is not examined
                break;
            case '2':
                if (!headerSeen) return 1;
                if (ReadDataLine(cursor, record) != 0) return 1;
                out.Append(record);
                break;
            case '5':
            case '7':
            case '8':
                return headerSeen ? 0 : 1;
            default:
                break;  // other records are passed over
        }
    }
}

}  // namespace

int ImageLoader::ReadSRecords(RecordList& out) {
    return Guarded([&] { return ReadRecordsFrom(buffer_, cursor_, out); });
}

}  // namespace updater
