// The stored image is scrambled with a running 16-bit key; descrambling is the same XOR.
#include "image/ImageLoader.h"

namespace updater {

namespace {
constexpr uint16_t kFirstKey = 0x3A6D;
constexpr uint16_t kKeyStep = 0x5C1D;

// The key of word k, computed from k rather than carried from word to word, so that the
// compiler can descramble many words at once.
constexpr uint16_t KeyOfWord(int64_t k) {
    return static_cast<uint16_t>(kFirstKey + static_cast<uint64_t>(k) * kKeyStep);
}
}  // namespace

void ImageLoader::Descramble(uint8_t* bytes, int64_t length) {
    if (length <= 0) return;
    const int64_t wholeWords = length / 2;
    for (int64_t k = 0; k < wholeWords; ++k) {
        const uint16_t key = KeyOfWord(k);
        bytes[2 * k] ^= static_cast<uint8_t>(key & 0xFF);
        bytes[2 * k + 1] ^= static_cast<uint8_t>(key >> 8);
    }
    // An odd length ends with a word of one byte: only the key's low byte applies.
    if (length % 2 != 0) bytes[length - 1] ^= static_cast<uint8_t>(KeyOfWord(wholeWords) & 0xFF);
}

}  // namespace updater
