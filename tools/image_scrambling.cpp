// scramble-image and descramble-image: between plain S-record text and the scrambled form the
// program stores (the same byte operation both ways; each program checks that it goes the way
// its name says, so an image is never scrambled twice by mistake).
//   scramble-image PLAIN STORED
//   descramble-image STORED PLAIN
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "image/ImageLoader.h"

#ifndef UPDATER_SCRAMBLE
#error "UPDATER_SCRAMBLE must be 1 (scramble-image) or 0 (descramble-image)"
#endif

namespace {

constexpr bool kScramble = UPDATER_SCRAMBLE != 0;
constexpr const char* kName = kScramble ? "scramble-image" : "descramble-image";

// Plain S-record text begins with a record: 'S' and its type digit.
bool IsPlainText(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 2 && bytes[0] == 'S' && bytes[1] >= '0' && bytes[1] <= '9';
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: " << kName << (kScramble ? " PLAIN STORED\n" : " STORED PLAIN\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << kName << ": cannot open " << argv[1] << '\n';
        return 1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (kScramble && !IsPlainText(bytes)) {
        std::cerr << kName << ": " << argv[1] << " is not plain S-record text\n";
        return 1;
    }
    updater::ImageLoader::Descramble(bytes.data(), static_cast<int64_t>(bytes.size()));
    if (!kScramble && !IsPlainText(bytes)) {
        std::cerr << kName << ": " << argv[1] << " is not a scrambled S-record image\n";
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::cerr << kName << ": cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
