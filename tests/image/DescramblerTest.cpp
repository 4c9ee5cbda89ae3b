#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/ImageLoader.h"

namespace updater {
namespace {

TEST(Descramble, ThreeBytesTouchExactlyThree) {
    std::vector<uint8_t> bytes = {0x00, 0x00, 0x00, 0x5A, 0xA5};
    ImageLoader::Descramble(bytes.data(), 3);
    // First key 0x3A6D over bytes 0 and 1, the low byte of the second key 0x968A over byte 2.
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x6D, 0x3A, 0x8A, 0x5A, 0xA5}));
}

TEST(Descramble, KeyAdvancesPerWordAndWraps) {
    std::vector<uint8_t> bytes(8, 0);
    ImageLoader::Descramble(bytes.data(), 8);
    // Keys 0x3A6D, 0x968A, 0xF2A7, 0x4EC4 (the fourth wrapped past 0xFFFF), little-endian.
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x6D, 0x3A, 0x8A, 0x96, 0xA7, 0xF2, 0xC4, 0x4E}));
}

TEST(Descramble, NothingHappensForEmptyOrNegativeLength) {
    uint8_t byte = 0x42;
    ImageLoader::Descramble(&byte, 0);
    ImageLoader::Descramble(&byte, -5);
    EXPECT_EQ(byte, 0x42);
}

TEST(Descramble, IsItsOwnInverseForEveryLength) {
    std::mt19937 random(1234);
    for (int length = 1; length <= 600; ++length) {
        std::vector<uint8_t> original(static_cast<size_t>(length));
        for (auto& b : original) b = static_cast<uint8_t>(random());
        std::vector<uint8_t> bytes = original;
        bytes.push_back(0xEE);  // guard: must stay untouched
        ImageLoader::Descramble(bytes.data(), length);
        if (length >= 2) {
            ASSERT_NE(bytes[0] | (bytes[1] << 8), original[0] | (original[1] << 8));
        }
        ImageLoader::Descramble(bytes.data(), length);
        ASSERT_EQ(bytes.back(), 0xEE) << "length " << length;
        bytes.pop_back();
        ASSERT_EQ(bytes, original) << "length " << length;
    }
}

}  // namespace
}  // namespace updater
