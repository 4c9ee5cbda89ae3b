// The stored image is scrambled with a running 16-bit key; descrambling is the same XOR.
#include <bit>
#include <cstring>

#include "image/ImageLoader.h"
#include "image/ImageText.h"

namespace updater {

namespace {
constexpr uint16_t kFirstKey = 0x3A6D;
constexpr uint16_t kKeyStep = 0x5C1D;

// The key of word k, computed from k, so that any part of the image can be descrambled alone.
constexpr uint16_t KeyOfWord(uint64_t k) { return static_cast<uint16_t>(kFirstKey + k * kKeyStep); }
}  // namespace

void DescrambleAt(uint8_t* bytes, size_t length, size_t position) {
    if (length == 0) return;
    // A part that starts on the high byte of a word takes that byte's key alone first.
    size_t head = 0;
    if (position % 2 != 0) {
        bytes[0] ^= static_cast<uint8_t>(KeyOfWord(position / 2) >> 8);
        head = 1;
    }
    uint8_t* words = bytes + head;
    const uint64_t firstWord = (position + head) / 2;
    const size_t wholeWords = (length - head) / 2;
    // Each key is the one before plus the step; the compiler turns that into vector code. Where a
    // 16-bit word lies in memory low byte first, the word and the key are XORed whole.
    uint16_t key = KeyOfWord(firstWord);
    for (size_t k = 0; k < wholeWords; ++k) {
        if constexpr (std::endian::native == std::endian::little) {
            uint16_t word = 0;
            std::memcpy(&word, words + 2 * k, 2);
            word ^= key;
            std::memcpy(words + 2 * k, &word, 2);
        } else {
            words[2 * k] ^= static_cast<uint8_t>(key & 0xFF);
            words[2 * k + 1] ^= static_cast<uint8_t>(key >> 8);
        }
        key = static_cast<uint16_t>(key + kKeyStep);
    }
    // An odd end is the low byte of a word: only the key's low byte applies.
    if ((length - head) % 2 != 0) {
        bytes[length - 1] ^= static_cast<uint8_t>(KeyOfWord(firstWord + wholeWords) & 0xFF);
    }
}

void ImageLoader::Descramble(uint8_t* bytes, int64_t length) {
    if (length <= 0) return;
    DescrambleAt(bytes, static_cast<size_t>(length), 0);
}

}  // namespace updater
