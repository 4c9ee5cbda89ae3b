#include "image/ImageText.h"

#include <cstring>

namespace updater {

std::shared_ptr<const ImageText> ImageText::Borrowed(std::span<const uint8_t> bytes,
                                                     bool scrambled) {
    return std::make_shared<const ImageText>(bytes, scrambled, std::vector<uint8_t>{});
}

std::shared_ptr<const ImageText> ImageText::Owned(std::vector<uint8_t> bytes, bool scrambled) {
    return std::make_shared<const ImageText>(std::span<const uint8_t>{}, scrambled,
                                             std::move(bytes));
}

uint8_t ImageText::CharAt(size_t position) const {
    uint8_t c = bytes_[position];
    if (scrambled_) DescrambleAt(&c, 1, position);
    return c;
}

void ImageText::CopyPlain(size_t position, size_t n, char* out) const {
    std::memcpy(out, bytes_.data() + position, n);
    if (scrambled_) DescrambleAt(reinterpret_cast<uint8_t*>(out), n, position);
}

}  // namespace updater
