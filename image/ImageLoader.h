#pragma once
// Reads a firmware image (the embedded one or a user's file), descrambles it, and splits its
// S-record text into the transfer blocks of the low, main and top areas. All operations return
// 0 on success and 1 on failure; none throws.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/ImageRecord.h"

namespace updater {

// A user's file larger than this is refused before it is read (the embedded image is ~0.5 MB).
inline constexpr uint64_t kMaxImageFileSize = 16u * 1024u * 1024u;

class ImageLoader {
  public:
    ImageLoader() = default;
    virtual ~ImageLoader() = default;
    ImageLoader(const ImageLoader&) = delete;
    ImageLoader& operator=(const ImageLoader&) = delete;

    // fromFile 0: the embedded image; otherwise the file at path (opened read-only).
    int LoadImage(RecordList& lowArea, RecordList& mainArea, RecordList& topArea, std::string path,
                  int fromFile);
    // The same as LoadImage, with the stored (scrambled) bytes given in memory.
    int LoadImageFromBytes(RecordList& lowArea, RecordList& mainArea, RecordList& topArea,
                           std::span<const uint8_t> stored);

    // Fills the buffer from the chosen source, descrambles it and skips leading blanks.
    int ReadSource(int fromFile);
    int ReadSourceBytes(std::span<const uint8_t> stored);

    // Uses text as the (already descrambled) buffer, cursor at its start.
    void SetText(std::span<const uint8_t> text);

    // Running-key XOR over little-endian 16-bit words; its own inverse.
    static void Descramble(uint8_t* bytes, int64_t length);

    int ParseImage(RecordList& lowArea, RecordList& mainArea, RecordList& topArea);
    // Appends one raw record per data line from the cursor on; 0 once a termination record
    // is met, 1 on any error, including the text ending first.
    int ReadSRecords(RecordList& out);

    // May throw std::bad_alloc; ParseImage turns that into failure 1.
    static void SelectAddressRange(const RecordList& source, RecordList& destination,
                                   uint32_t first, uint32_t last);
    static int AssembleBlocks(const RecordList& source, RecordList& destination);
    // The steps of AssembleBlocks. block is the block under construction, lastEnd the end of
    // the block stored last; record and next are working copies that the steps may shorten.
    static int StartBlock(ImageRecord& block, const ImageRecord& record, uint32_t lastEnd);
    static int CloseBlock(ImageRecord& block, ImageRecord& record, ImageRecord& next,
                          RecordList& destination);
    static int CloseFinalBlock(ImageRecord& block, RecordList& destination);

    static int CheckIdentityBlock(const RecordList& mainArea, std::array<uint8_t, 8>& imageVersion);
    static int ReadTopAreaTag(const RecordList& topArea, std::array<uint8_t, 16>& topAreaTag);
    static int BuildTopAreaTransferList(const RecordList& topArea, RecordList& transferList);

    const std::string& Path() const { return path_; }
    std::span<const uint8_t> Buffer() const { return buffer_; }
    size_t Cursor() const { return cursor_; }

  private:
    static int AssembleInto(const RecordList& source, RecordList& destination);
    int ReadUserFile();
    int TakeStoredBytes(std::span<const uint8_t> stored);
    void SkipLeadingBlanks();

    std::vector<uint8_t> buffer_;
    size_t cursor_ = 0;
    std::string path_;
};

}  // namespace updater
