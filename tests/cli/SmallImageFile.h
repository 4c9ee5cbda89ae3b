#pragma once
// The small test image in the form updater-cli takes (--file): a few blocks per area, so that
// a write into the simulated radio takes moments.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "image/ImageLoader.h"

#ifndef SMALL_IMAGE_PATH
#error "SMALL_IMAGE_PATH must name the small plain S-record image"
#endif

namespace updater::test {

// Writes the scrambled small image to path; false when it cannot.
inline bool WriteSmallImageFile(const std::filesystem::path& path) {
    std::ifstream in(SMALL_IMAGE_PATH, std::ios::binary);
    std::string image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (image.empty()) return false;
    ImageLoader::Descramble(reinterpret_cast<uint8_t*>(image.data()),
                            static_cast<int64_t>(image.size()));
    std::ofstream out(path, std::ios::binary);
    out << image;
    return static_cast<bool>(out);
}

}  // namespace updater::test
