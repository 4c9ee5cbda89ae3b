#pragma once
// Builders for image tests: records from bytes, S-record texts from lines, loading a plain text
// through the stored (scrambled) form, and the expected memory of a set of lines.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "image/ImageRecord.h"

namespace updater::test {

struct Line {
    uint32_t address;
    std::vector<uint8_t> bytes;
};

// The model identity string with its zero byte, as the tests write it into images.
inline const std::string kModelIdentityText("QA-7712/7713 NORVALE LMR BI    \0", 32);

// n bytes that differ per line and never equal the filler 0xFF.
std::vector<uint8_t> PatternBytes(int line, int n);

ImageRecord MakeRecord(uint32_t address, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> RecordBytes(const ImageRecord& record);

// A small valid image: a low-area line, the identity block with the version, and the top
// area's version block and a block at 0xFFF00.
std::vector<Line> ValidImageLines(const std::string& version);

// Header, one S2 line per entry, S8 end; CR LF line ends.
std::string PlainImageText(const std::vector<Line>& lines);
std::vector<uint8_t> Scrambled(const std::string& plain);

struct AreaLists {
    RecordList low, main, top;
    bool loaded = false;
};
AreaLists LoadPlainText(const std::string& plain);

// Byte at each address after writing the lines in order (later lines win).
std::map<uint32_t, uint8_t> MemoryOf(const std::vector<Line>& lines);

// A fresh directory below the system's temporary directory, removed by the destructor.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

  private:
    std::filesystem::path path_;
};

std::vector<uint8_t> ReadAll(const std::filesystem::path& path);

}  // namespace updater::test
