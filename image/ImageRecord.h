#pragma once
// A run of at most 128 image bytes held as hexadecimal text, and the ordered list of them.
// Every stage of the image pipeline and the transfer passes use these two types.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace updater {

inline constexpr int kMaxRecordBytes = 128;

// Every record text and S-record text is turned into numbers through this table: one look-up
// per character instead of three comparisons, since the reader checks every digit of the image.
inline constexpr std::array<uint8_t, 256> kHexDigitValues = [] {
    std::array<uint8_t, 256> values{};  // any other character counts as 0
    for (int c = '0'; c <= '9'; ++c) values[static_cast<size_t>(c)] = static_cast<uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        values[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c)
        values[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 'a' + 10);
    return values;
}();

// Value of one hexadecimal digit character; any other character counts as 0.
constexpr int HexDigitValue(char c) { return kHexDigitValues[static_cast<uint8_t>(c)]; }

// The byte of a digit pair: 16 x value(first) + value(second).
constexpr uint8_t DigitPairValue(char first, char second) {
    return static_cast<uint8_t>(HexDigitValue(first) * 16 + HexDigitValue(second));
}

struct ImageRecord {
    int32_t count = 0;                             // data bytes held, 0..128
    uint32_t address = 0;                          // image address of the first data byte
    std::array<char, 2 * kMaxRecordBytes> text{};  // digit pairs; only 2 * count are meaningful

    uint32_t End() const { return address + static_cast<uint32_t>(count); }

    // Byte i (0 <= i < count) of the record.
    uint8_t ByteAt(int i) const { return DigitPairValue(text[2 * i], text[2 * i + 1]); }
};

void ClearRecord(ImageRecord& record);

class RecordList {
  public:
    void Append(const ImageRecord& record) { records_.push_back(record); }
    void Clear() { records_.clear(); }
    // Room for count records, so that appending them moves nothing.
    void Reserve(int count) { records_.reserve(static_cast<std::size_t>(count)); }
    void Assign(const RecordList& other) { records_ = other.records_; }
    int Size() const { return static_cast<int>(records_.size()); }
    bool Empty() const { return records_.empty(); }

    const ImageRecord& operator[](int i) const { return records_[static_cast<std::size_t>(i)]; }
    ImageRecord& operator[](int i) { return records_[static_cast<std::size_t>(i)]; }
    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

  private:
    std::vector<ImageRecord> records_;
};

}  // namespace updater
