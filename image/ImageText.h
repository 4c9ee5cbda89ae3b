#pragma once
// The text an image's records point into: the source's bytes, stored scrambled or given as
// plain S-record text. It never changes once made and every list made from it shares it, so the
// blocks of a load hold no copy of their digit pairs and a copy of a list copies no text.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace updater {

// XORs the running key into length bytes that lie at position in a stored image; applied to the
// whole image from position 0 it is the loader's Descramble.
void DescrambleAt(uint8_t* bytes, size_t length, size_t position);

class ImageText {
  public:
    // Bytes that live as long as the program (the embedded image): nothing is copied.
    static std::shared_ptr<const ImageText> Borrowed(std::span<const uint8_t> bytes,
                                                     bool scrambled);
    static std::shared_ptr<const ImageText> Owned(std::vector<uint8_t> bytes, bool scrambled);

    ImageText(std::span<const uint8_t> bytes, bool scrambled, std::vector<uint8_t> owned)
        : owned_(std::move(owned)),
          bytes_(owned_.empty() ? bytes : owned_),
          scrambled_(scrambled) {}

    std::span<const uint8_t> Bytes() const { return bytes_; }
    size_t Size() const { return bytes_.size(); }
    bool Scrambled() const { return scrambled_; }

    // The plain character at position (< Size()).
    uint8_t CharAt(size_t position) const;
    // Copies n plain characters from position on (position + n <= Size()).
    void CopyPlain(size_t position, size_t n, char* out) const;

  private:
    std::vector<uint8_t> owned_;
    std::span<const uint8_t> bytes_;
    bool scrambled_;
};

}  // namespace updater
