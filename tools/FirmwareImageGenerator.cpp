#include "tools/FirmwareImageGenerator.h"

#include <cstring>
#include <random>
#include <span>

#include "image/ImageAreas.h"
#include "tools/SRecordWriter.h"

namespace updater::tools {

namespace {

constexpr uint32_t kSlot = 32;     // most lines carry 32 bytes
constexpr uint32_t kMinPiece = 4;  // shortest line piece next to a hole

// std::mt19937 gives the same sequence everywhere; the distributions of the standard library
// do not, so they are not used.
class Prng {
  public:
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(engine_() % n); }
    uint8_t Byte() { return static_cast<uint8_t>(engine_() & 0xFF); }

  private:
    std::mt19937 engine_{0x77127713u};
};

class ImageBuilder {
  public:
    ImageBuilder() : memory_(0x100000, -1) {}

    void Fill(uint32_t first, uint32_t end, Prng& prng) {
        for (uint32_t a = first; a < end; ++a) bytes_[a] = prng.Byte();
    }
    void Put(uint32_t address, std::span<const uint8_t> bytes) {
        for (size_t i = 0; i < bytes.size(); ++i) bytes_[address + i] = bytes[i];
    }
    // Emits the bytes first..end-1 as one data line.
    void Line(uint32_t first, uint32_t end) {
        std::vector<uint8_t> data;
        for (uint32_t a = first; a < end; ++a) {
            data.push_back(bytes_.at(a));
            memory_[a] = bytes_.at(a);
        }
        text_ += DataLine(first, data);
    }
    std::string& Text() { return text_; }
    std::vector<int16_t> TakeMemory() { return std::move(memory_); }

  private:
    std::vector<int16_t> memory_;
    std::vector<uint8_t> bytes_ = std::vector<uint8_t>(0x100000, 0xFF);
    std::string text_;
};

// Slots of 32 bytes that keep every 128-byte window intact: a full line or a line split in two.
void EmitAlignedSlots(ImageBuilder& image, Prng& prng, uint32_t first, uint32_t end) {
    for (uint32_t a = first; a < end; a += kSlot) {
        if (prng.Below(100) < 85) {
            image.Line(a, a + kSlot);
        } else {
            const uint32_t split = kMinPiece + prng.Below(kSlot - 2 * kMinPiece + 1);
            image.Line(a, a + split);
            image.Line(a + split, a + kSlot);
        }
    }
}

// Slots with every line shape: full, split, missing (a hole the block fills), a short gap inside
// the slot, or a tail left out.
void EmitMixedSlots(ImageBuilder& image, Prng& prng, uint32_t first, uint32_t end) {
    for (uint32_t a = first; a < end; a += kSlot) {
        const uint32_t kind = prng.Below(100);
        if (kind < 80) {
            image.Line(a, a + kSlot);
        } else if (kind < 88) {
            const uint32_t split = kMinPiece + prng.Below(kSlot - 2 * kMinPiece + 1);
            image.Line(a, a + split);
            image.Line(a + split, a + kSlot);
        } else if (kind < 92) {
            // no line: a 32-byte hole
        } else if (kind < 96) {
            const uint32_t gap = 1 + prng.Below(5);
            const uint32_t split = kMinPiece + prng.Below(kSlot - 2 * kMinPiece - gap + 1);
            image.Line(a, a + split);
            image.Line(a + split + gap, a + kSlot);
        } else {
            image.Line(a, a + kMinPiece + prng.Below(kSlot - kMinPiece));
        }
    }
}

}  // namespace

GeneratedImage GenerateFirmwareImage() {
    Prng prng;
    ImageBuilder image;
    GeneratedImage result;

    image.Fill(kLowArea.first, kLowArea.last + 1, prng);
    image.Fill(kMainArea.first, kMainArea.last + 1, prng);
    image.Fill(kTopArea.first, kTopArea.last + 1, prng);

    // Identity block: the model identity string with its zero byte, and the version.
    image.Put(kIdentityAddress, {reinterpret_cast<const uint8_t*>(kModelIdentity),
                                 static_cast<size_t>(kIdentityLength)});
    image.Put(kIdentityAddress + kVersionOffset,
              {reinterpret_cast<const uint8_t*>(kGeneratedVersion),
               static_cast<size_t>(kImageVersionLength)});
    // Top-area tag, with bytes above 0x7F.
    for (int i = 0; i < kTagLength; ++i) {
        result.topAreaTag[static_cast<size_t>(i)] =
            static_cast<uint8_t>(prng.Byte() | (i % 3 == 0 ? 0x80 : 0x00));
    }
    image.Put(kVersionBlockAddress + kTagOffset, result.topAreaTag);

    std::string& text = image.Text();
    text += HeaderLine("QA7712 FIRMWARE V2.10.07");

    // The last line of an area is full, so that its last block needs no padding at the top.
    EmitMixedSlots(image, prng, kLowArea.first, kLowArea.last + 1 - kSlot);
    image.Line(kLowArea.last + 1 - kSlot, kLowArea.last + 1);

    // Main area: mixed lines, then a hole wider than a block, a line starting at an odd address
    // (its block gets a filler byte in front), mixed lines again, and the identity block alone.
    constexpr uint32_t kHoleStart = 0x9A000;
    constexpr uint32_t kHoleEnd = 0x9A200;
    EmitMixedSlots(image, prng, kMainArea.first, kHoleStart);
    result.oddLineAddress = kHoleEnd + 1;
    image.Line(result.oddLineAddress, kHoleEnd + kSlot);
    EmitMixedSlots(image, prng, kHoleEnd + kSlot, 0x9F000);
    EmitAlignedSlots(image, prng, kIdentityAddress, kIdentityAddress + 0x400);

    // Top area, whole: the version block with the tag first, the last block at 0xFFF80.
    for (uint32_t a = kTopArea.first; a < kTopArea.first + 0x80; a += kSlot)
        image.Line(a, a + kSlot);
    EmitAlignedSlots(image, prng, kTopArea.first + 0x80, kTopArea.last + 1);

    text += EndLine();
    result.text = std::move(text);
    result.memory = image.TakeMemory();
    return result;
}

}  // namespace updater::tools
