#include <gtest/gtest.h>

#include "sim/SimOptionText.h"

namespace updater::sim {
namespace {

using Bytes = std::array<uint8_t, 16>;

TEST(SimOptionText, ModelIsPaddedWithBlanksThenFF) {
    EXPECT_EQ(ModelFromText("PQA7712"), (Bytes{'P', 'Q', 'A', '7', '7', '1', '2', ' ', 0xFF, 0xFF,
                                               0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ModelFromText("MQA6635 X"), (Bytes{'M', 'Q', 'A', '6', '6', '3', '5', ' ', 'X', 0xFF,
                                                 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_FALSE(ModelFromText(std::string(17, 'M')));
}

TEST(SimOptionText, TagNeedsExactly32HexDigits) {
    EXPECT_EQ(TagFromHex("00112233445566778899aabbccddeeFF"),
              (Bytes{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC,
                     0xDD, 0xEE, 0xFF}));
    for (const char* bad :
         {"", "0011", "00112233445566778899aabbccddeeFG", "00112233445566778899aabbccddeeFF00"}) {
        EXPECT_FALSE(TagFromHex(bad)) << bad;
    }
}

TEST(SimOptionText, VersionEndsInZeroBytes) {
    EXPECT_EQ(VersionFromText("V2.00.01"),
              (Bytes{'V', '2', '.', '0', '0', '.', '0', '1', 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(VersionFromText(std::string(17, '1')));
}

}  // namespace
}  // namespace updater::sim
