// The stored image is scrambled with a running 16-bit key; descrambling is the same XOR.
#include "image/ImageLoader.h"

namespace updater {

namespace {
constexpr uint16_t kFirstKey = 0x3A6D;
constexpr uint16_t kKeyStep = 0x5C1D;
}  // namespace

void ImageLoader::Descramble(uint8_t* bytes, int64_t length) {
    if (length <= 0) return;
    uint16_t key = kFirstKey;
    const int64_t words = (length + 1) / 2;
    for (int64_t k = 0; k < words; ++k) {
        const int64_t low = 2 * k;
        bytes[low] ^= static_cast<uint8_t>(key & 0xFF);
        // An odd length ends with a word of one byte: only the key's low byte applies.
        if (low + 1 < length) bytes[low + 1] ^= static_cast<uint8_t>(key >> 8);
        key = static_cast<uint16_t>(key + kKeyStep);
    }
}

}  // namespace updater
