#pragma once
// Reads a user's image file whole, read-only and without newline translation.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace updater {

enum class FileReadResult { Ok, CannotOpen, TooLarge, ShortRead };

FileReadResult ReadImageFile(const std::string& path, uint64_t maxSize, std::vector<uint8_t>& out);

// Reads exactly size bytes from in; ShortRead when fewer arrive.
FileReadResult ReadExactly(std::istream& in, uint64_t size, std::vector<uint8_t>& out);

}  // namespace updater
