#include "tests/image/ImageTestSupport.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>

#include "image/ImageLoader.h"
#include "tools/SRecordWriter.h"

namespace updater::test {

std::vector<uint8_t> PatternBytes(int line, int n) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < n; ++i)
        bytes.push_back(static_cast<uint8_t>((line * 37 + i * 11 + 1) % 255));
    return bytes;
}

ImageRecord MakeRecord(uint32_t address, const std::vector<uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    ImageRecord record;
    ClearRecord(record);
    record.address = address;
    record.count = static_cast<int32_t>(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        record.text[2 * i] = kDigits[bytes[i] >> 4];
        record.text[2 * i + 1] = kDigits[bytes[i] & 0xF];
    }
    return record;
}

std::vector<uint8_t> RecordBytes(const ImageRecord& record) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < record.count; ++i) bytes.push_back(record.ByteAt(i));
    return bytes;
}

std::vector<Line> ValidImageLines(const std::string& version) {
    std::vector<uint8_t> identity(kModelIdentityText.begin(), kModelIdentityText.end());
    identity.resize(48, 0);
    identity.insert(identity.end(), version.begin(), version.end());
    identity.resize(64, 0);
    return {{0x10000, PatternBytes(0, 32)},
            {0xD0000, identity},
            {0xF0000, PatternBytes(2, 64)},
            {0xFFF00, PatternBytes(3, 32)}};
}

std::string PlainImageText(const std::vector<Line>& lines) {
    std::string text = tools::HeaderLine("TEST");
    for (const Line& line : lines) text += tools::DataLine(line.address, line.bytes);
    return text + tools::EndLine();
}

std::vector<uint8_t> Scrambled(const std::string& plain) {
    std::vector<uint8_t> bytes(plain.begin(), plain.end());
    ImageLoader::Descramble(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}

AreaLists LoadPlainText(const std::string& plain) {
    AreaLists lists;
    ImageLoader loader;
    lists.loaded =
        loader.LoadImage(lists.low, lists.main, lists.top, StoredImage::Copied(Scrambled(plain)));
    return lists;
}

std::map<uint32_t, uint8_t> MemoryOf(const std::vector<Line>& lines) {
    std::map<uint32_t, uint8_t> memory;
    for (const Line& line : lines) {
        for (size_t i = 0; i < line.bytes.size(); ++i) memory[line.address + i] = line.bytes[i];
    }
    return memory;
}

TempDir::TempDir() {
    static std::atomic<int> serial{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("image-test-" + std::to_string(stamp) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name,
                                     const std::vector<uint8_t>& bytes) const {
    const auto file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return file;
}

std::vector<uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace updater::test
