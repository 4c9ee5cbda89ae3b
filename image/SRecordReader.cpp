// Reads the accepted subset of Motorola S-records: one S0 header, S2 data lines, and an
// S5/S7/S8 record that ends the text. Never reads past the text's length. A stored image is
// descrambled on the way through a small window, so the plain text never exists whole.
#include "image/SRecordReader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "image/ImageAreas.h"
#include "image/ImageLoader.h"

namespace updater {

namespace {

bool IsBlank(uint8_t c) { return c == ' ' || c == '\r' || c == '\n'; }

// digits characters read as one big-endian hexadecimal number.
uint32_t HexValue(const uint8_t* chars, int digits) {
    uint32_t value = 0;
    for (int i = 0; i < digits; ++i) value = value * 16 + kHexDigitValues[chars[i]];
    return value;
}

// The value of a hexadecimal digit, worked out rather than looked up so that the loop below
// becomes vector code; any other character counts as 0, as in kHexDigitValues.
uint8_t DigitValue(uint8_t c) {
    const auto decimal = static_cast<uint8_t>(c - '0');
    const auto letter = static_cast<uint8_t>((c | 0x20) - 'a');  // 'A'..'F' read as 'a'..'f'
    // No character is both, so the two may simply be combined.
    return static_cast<uint8_t>((decimal < 10 ? decimal : 0) | (letter < 6 ? letter + 10 : 0));
}

// The sum modulo 256 of the bytes that pairs digit pairs spell. Every data character of the
// image passes through here.
uint8_t DigitPairSum(const uint8_t* digits, size_t pairs) {
    uint8_t sum = 0;
    for (size_t i = 0; i < pairs; ++i) {
        sum = static_cast<uint8_t>(sum + (DigitValue(digits[2 * i]) << 4) +
                                   DigitValue(digits[2 * i + 1]));
    }
    return sum;
}

// The window that a stored image is descrambled into; it holds a few lines at a time and
// always more than the longest line.
constexpr size_t kWindowSize = 4096;
constexpr size_t kCacheLine = 64;

class TextCursor {
  public:
    TextCursor(const ImageText& text, size_t position)
        : stored_(text.Bytes().data()),
          size_(text.Size()),
          scrambled_(text.Scrambled()),
          pos_(position) {}

    bool AtEnd() const { return pos_ >= size_; }
    uint8_t Peek() { return *Chars(1); }
    void Advance() { ++pos_; }
    size_t Position() const { return pos_; }

    void SkipBlanks() {
        while (!AtEnd() && IsBlank(Peek())) Advance();
    }
    // Moves to the next 'S' at or after the cursor; false when the text ends first.
    bool SeekRecordStart() {
        // Usually the next record starts right after a line end.
        for (int i = 0; i < 3 && !AtEnd(); ++i, Advance()) {
            if (Peek() == 'S') return true;
        }
        while (!AtEnd()) {
            const size_t available = scrambled_ ? WindowFrom(pos_) : size_ - pos_;
            const uint8_t* from = Chars(1);
            const void* found = std::memchr(from, 'S', available);
            if (found != nullptr) {
                pos_ += static_cast<size_t>(static_cast<const uint8_t*>(found) - from);
                return true;
            }
            pos_ += available;
        }
        return false;
    }
    // Reads digits characters as one big-endian hexadecimal number.
    bool ReadHex(int digits, uint32_t& value) {
        const uint8_t* chars = Take(static_cast<size_t>(digits));
        if (chars == nullptr) return false;
        value = HexValue(chars, digits);
        return true;
    }
    // The next n plain characters, the cursor moved past them; nullptr when the text ends first.
    // Valid until the next call.
    const uint8_t* Take(size_t n) {
        const uint8_t* chars = Chars(n);
        if (chars != nullptr) pos_ += n;
        return chars;
    }

  private:
    // n plain characters from the cursor on, or nullptr when the text ends first. Valid until
    // the next call.
    const uint8_t* Chars(size_t n) {
        if (pos_ > size_ || size_ - pos_ < n) return nullptr;
        if (!scrambled_) return stored_ + pos_;
        if (pos_ < begin_ || pos_ + n > end_) Fill(pos_);
        return window_.data() + (pos_ - begin_);
    }
    // How many plain characters the window holds from position on (at least one).
    size_t WindowFrom(size_t position) {
        if (position < begin_ || position >= end_) Fill(position);
        return end_ - position;
    }
    void Fill(size_t from) {
        begin_ = from;
        end_ = std::min(size_, from + kWindowSize);
        std::memcpy(window_.data(), stored_ + begin_, end_ - begin_);
        DescrambleAt(window_.data(), end_ - begin_, begin_);
        // At a program's start the stored image is not yet in the processor's caches: ask for the
        // next window's bytes now, so that they arrive while this window is read.
        const size_t aheadEnd = std::min(size_, end_ + kWindowSize);
        for (size_t ahead = end_; ahead < aheadEnd; ahead += kCacheLine) {
            __builtin_prefetch(stored_ + ahead);
        }
    }

    const uint8_t* stored_;
    size_t size_;
    bool scrambled_;
    size_t pos_;                  // a copy, so that it can live in a register
    size_t begin_ = 0, end_ = 0;  // the window holds the plain characters begin_..end_ - 1
    std::array<uint8_t, kWindowSize> window_;
};

constexpr int kMinCountField = 4;  // three address bytes and the checksum
constexpr int kMaxCountField = kMinCountField + kMaxRecordBytes;

// Reads the fields after "S2" into record; false when the line is malformed or cut off.
bool ReadDataLine(TextCursor& cursor, RawRecord& record) {
    uint32_t countField = 0;
    if (!cursor.ReadHex(2, countField)) return false;
    if (countField < kMinCountField || countField > kMaxCountField) return false;
    const int dataBytes = static_cast<int>(countField) - kMinCountField;

    // The rest of the line at once: address, digit pairs and checksum.
    const size_t textOffset = cursor.Position() + 6;
    const uint8_t* rest = cursor.Take(6 + 2 * static_cast<size_t>(dataBytes) + 2);
    if (rest == nullptr) return false;
    const uint32_t address = HexValue(rest, 6);
    uint32_t sum = countField + (address >> 16) + ((address >> 8) & 0xFF) + (address & 0xFF);
    sum += DigitPairSum(rest + 6, static_cast<size_t>(dataBytes));
    const uint32_t checksum = HexValue(rest + 6 + 2 * dataBytes, 2);

    if (checksum != 255 - (sum & 0xFF)) return false;
    if (address == 0 || address > kMaxLineAddress) return false;
    record.address = address;
    record.count = dataBytes;
    record.textOffset = static_cast<uint32_t>(textOffset);
    record.lineStart = record.textOffset;
    record.lineEnd = record.textOffset + 2 * static_cast<uint32_t>(dataBytes);
    return true;
}

ImageProblem ReadRecords(TextCursor& cursor, RawRecordSink& sink) {
    cursor.SkipBlanks();
    if (cursor.AtEnd() || cursor.Peek() != 'S') return ImageProblem::NotSRecordText;

    bool headerSeen = false;
    int dataLines = 0;
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
                if (!headerSeen) return ImageProblem::NoHeader;
                if (!ReadDataLine(cursor, record)) return ImageProblem::MalformedSRecord;
                if (dataLines == kMaxDataLines) return ImageProblem::TooManyDataLines;
                record.line = static_cast<uint32_t>(dataLines++);
                sink.Take(record);
                break;
            case '5':
            case '7':
            case '8':
                return headerSeen ? ImageProblem::None : ImageProblem::NoHeader;
            default:
                break;  // other records are passed over
        }
    }
}

}  // namespace

bool NextDataLine(const ImageText& text, size_t lineEnd, DataLinePlace& next) {
    const size_t size = text.Size();
    size_t position = lineEnd + 2;  // past the checksum
    // Records of other kinds are passed over, as the reader passes over them.
    for (;;) {
        while (position < size && text.CharAt(position) != 'S') ++position;
        if (size - position < 2 + 2 + 6) return false;
        const uint8_t type = text.CharAt(position + 1);
        position += 2;
        if (type == '2') break;
    }
    const int countField =
        16 * kHexDigitValues[text.CharAt(position)] + kHexDigitValues[text.CharAt(position + 1)];
    next.start = position + 2 + 6;
    next.bytes = countField - kMinCountField;
    return next.bytes >= 0 && size - next.start >= 2 * static_cast<size_t>(next.bytes);
}

ImageProblem ReadSRecordText(const ImageText& text, size_t& position, RawRecordSink& sink) {
    // A record's place in the text is kept in 24 bits; files are refused long before that.
    if (text.Size() > kMaxImageFileSize) return ImageProblem::TooLarge;
    TextCursor cursor(text, position);
    const ImageProblem problem = ReadRecords(cursor, sink);
    position = cursor.Position();
    return problem;
}

}  // namespace updater
