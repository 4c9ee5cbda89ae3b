#pragma once
// Reads a firmware image as stored (image/StoredImage.h), descrambles it, and splits its
// S-record text into the transfer blocks of the low, main and top areas. All operations return
// true on success and false on failure; none throws. After a failure Problem() tells why.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "image/ImageProblem.h"
#include "image/ImageRecord.h"
#include "image/StoredImage.h"

namespace updater {

class ImageText;

// A user's file larger than this is refused before it is read (the embedded image is ~0.5 MB);
// so is a text given in memory.
inline constexpr uint64_t kMaxImageFileSize = 16u * 1024u * 1024u;
// A text with more data lines than this is refused, which bounds the memory a load takes: each
// line may become a transfer block of its own. The areas hold 540672 bytes, so even an image
// written in lines of 4 bytes stays far below.
inline constexpr int kMaxDataLines = 1 << 18;

class ImageLoader {
  public:
    ImageLoader() = default;
    virtual ~ImageLoader() = default;
    ImageLoader(const ImageLoader&) = delete;
    ImageLoader& operator=(const ImageLoader&) = delete;

    // Reads the stored bytes; a source whose bytes could not be had fails with its reason.
    bool LoadImage(RecordList& lowArea, RecordList& mainArea, RecordList& topArea,
                   const StoredImage& stored);

    // Takes the source as it is stored and skips leading blanks. The stored bytes are
    // descrambled as they are read, a few lines at a time, and shared, never copied.
    bool ReadSource(const StoredImage& stored);

    // Uses a copy of text as the (already descrambled) text, cursor at its start.
    void SetText(std::span<const uint8_t> text);

    // Running-key XOR over little-endian 16-bit words; its own inverse.
    static void Descramble(uint8_t* bytes, int64_t length);

    // Reads the text and assembles the blocks of the three areas in one pass. The blocks point
    // into the loader's text, which they share: they stay valid after the loader has gone.
    bool ParseImage(RecordList& lowArea, RecordList& mainArea, RecordList& topArea);
    // Appends one raw record per data line from the cursor on; true once a termination record
    // is met, false on any error, including the text ending first (out is then left as it was).
    bool ReadSRecords(RecordList& out);

    static bool CheckIdentityBlock(const RecordList& mainArea,
                                   std::array<uint8_t, 8>& imageVersion);
    static bool ReadTopAreaTag(const RecordList& topArea, std::array<uint8_t, 16>& topAreaTag);
    static bool BuildTopAreaTransferList(const RecordList& topArea, RecordList& transferList);

    // The data lines of the last parse that no area takes: dropped, never written.
    struct LinesOutside {
        int count = 0;
        uint32_t firstAddress = 0;  // the first such line's start address
    };
    const LinesOutside& Outside() const { return outside_; }

    // Why the last load, read or parse failed; None after a success.
    ImageProblem Problem() const { return problem_; }
    // The user's file of the last load; none for bytes given in memory.
    const std::optional<std::string>& Path() const { return path_; }
    size_t Cursor() const { return cursor_; }

  private:
    bool ParseSourceText(RecordList& lowArea, RecordList& mainArea, RecordList& topArea);
    bool TakeText(std::shared_ptr<const ImageText> text);
    void SkipLeadingBlanks();
    bool StoredBytesReadAsPlainText();
    bool Fail(ImageProblem problem);

    std::shared_ptr<const ImageText> text_;  // the source as stored, or a plain text
    size_t cursor_ = 0;
    std::optional<std::string> path_;
    ImageProblem problem_ = ImageProblem::None;
    LinesOutside outside_;
};

}  // namespace updater
