#include "image/ImageFile.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace updater {

FileReadResult ReadExactly(std::istream& in, uint64_t size, std::vector<uint8_t>& out) {
    out.assign(static_cast<size_t>(size), 0);
    if (size != 0) {
        in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
        if (static_cast<uint64_t>(in.gcount()) != size) {
            out.clear();
            return FileReadResult::ShortRead;
        }
    }
    return FileReadResult::Ok;
}

FileReadResult ReadImageFile(const std::string& path, uint64_t maxSize, std::vector<uint8_t>& out) {
    std::ifstream in(std::filesystem::path(path), std::ios::in | std::ios::binary);
    if (!in) return FileReadResult::CannotOpen;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::is_regular_file(status)) return FileReadResult::CannotOpen;
    const uint64_t size = std::filesystem::file_size(path, error);
    if (error) return FileReadResult::CannotOpen;
    if (size > maxSize) return FileReadResult::TooLarge;
    return ReadExactly(in, size, out);
}

}  // namespace updater
