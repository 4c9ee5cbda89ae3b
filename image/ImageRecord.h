#pragma once
// A run of at most 128 image bytes held as hexadecimal text, and the ordered list of them.
// Every stage of the image pipeline and the transfer passes use these two types.

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
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

class ImageText;

// The ordered list of records. It holds them compactly: each record is its address, its count
// and a few pieces that say where its digit pairs are (a run in the image's text, filler, or text
// of its own for a record appended by value), so a load touches little fresh memory and copying
// a list copies no digit pairs. Reading a record gives it whole, as an ImageRecord value.
class RecordList {
  public:
    void Append(const ImageRecord& record);
    // Record i of other, sharing its text where both lists point into the same image.
    void AppendFrom(const RecordList& other, int i);
    void Clear();
    // Room for count records, so that appending them moves nothing.
    void Reserve(int count) { entries_.reserve(static_cast<std::size_t>(count)); }
    void Assign(const RecordList& other) { *this = other; }
    int Size() const { return static_cast<int>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }

    ImageRecord operator[](int i) const;
    // The address and the count of record i, without building the record.
    uint32_t AddressOf(int i) const { return entries_[static_cast<std::size_t>(i)].address; }
    int32_t CountOf(int i) const { return entries_[static_cast<std::size_t>(i)].Count(); }

    class Iterator {
      public:
        using iterator_category = std::input_iterator_tag;
        using value_type = ImageRecord;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = ImageRecord;

        Iterator(const RecordList* list, int i) : list_(list), i_(i) {}
        ImageRecord operator*() const { return (*list_)[i_]; }
        Iterator& operator++() {
            ++i_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++i_;
            return before;
        }
        bool operator==(const Iterator& other) const { return i_ == other.i_; }

      private:
        const RecordList* list_;
        int i_;
    };
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, Size()}; }

  private:
    friend class BlockAssembler;
    friend class ImageLoader;

    struct Entry {
        uint32_t address;
        // The count; with kWholeLines set in where, bits 0..7 only (see there).
        int32_t count;
        // The first of its pieces in the store, which together hold min(count, 128) bytes; or,
        // with kOwnText set, where its digit pairs lie in ownText_; or, with kWholeLines set,
        // where its first digit pair lies in the image's text.
        uint32_t where;

        int32_t Count() const { return (where & kWholeLines) != 0 ? count & 0xFF : count; }
    };
    static constexpr uint32_t kOwnText = 0x80000000u;
    // Most blocks are successive data lines of the text, whole but for the first line's front
    // and the last line's back, with at most one filler byte in front and a few behind. Such a
    // block keeps no pieces: its count field also holds the bytes it takes from its first line
    // (bits 8..15), its filler in front (bit 16) and behind (bits 17..19), and reading it finds
    // the following lines in the text as the reader found them.
    static constexpr uint32_t kWholeLines = 0x40000000u;
    static constexpr uint32_t kTextOffsetMask = 0xFFFFFF;
    static int32_t WholeLinesCount(int count, int firstLineBytes, int fillerInFront,
                                   int fillerBehind) {
        return count | firstLineBytes << 8 | fillerInFront << 16 | fillerBehind << 17;
    }
    static constexpr int kMostFillerBehind = 7;
    // A piece: bits 0..23 the offset of its first digit pair in the image's text (kFillerOffset
    // for filler), bits 24..30 its byte count less one.
    static constexpr uint32_t kFillerOffset = 0xFFFFFF;
    static uint32_t Piece(uint32_t offset, int count) {
        return offset | (static_cast<uint32_t>(count - 1) << 24);
    }
    static int PieceCount(uint32_t piece) { return static_cast<int>((piece >> 24) & 0x7F) + 1; }
    static uint32_t PieceOffset(uint32_t piece) { return piece & kFillerOffset; }
    // The pieces of every block of one load, in one piece of storage shared by the load's lists
    // and their copies; only the load that made it adds to it.
    struct PieceStore {
        std::vector<uint32_t> pieces;
        std::shared_ptr<const ImageText> text;
    };
    void ReadWholeLines(const Entry& entry, ImageRecord& record) const;
    // True when the list's records may point into store: it uses it, or now adopts it.
    bool Shares(const std::shared_ptr<PieceStore>& store);

    std::vector<Entry> entries_;
    std::vector<char> ownText_;  // digit pairs of records appended by value
    std::shared_ptr<PieceStore> store_;
};

}  // namespace updater
