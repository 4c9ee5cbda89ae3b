// descramble-image: turns a stored image into plain S-record text, or back (the same operation).
//   descramble-image INPUT OUTPUT
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "image/ImageLoader.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: descramble-image INPUT OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "descramble-image: cannot open " << argv[1] << '\n';
        return 1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    updater::ImageLoader::Descramble(bytes.data(), static_cast<int64_t>(bytes.size()));
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::cerr << "descramble-image: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
