// srec_cat (package srecord) writes the S-record texts here: an independent writer whose images
// must load into blocks that hold exactly its input bytes, and 0xFF in the holes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "image/ImageLoader.h"
#include "tests/image/ImageTestSupport.h"

namespace updater {
namespace {

constexpr uint32_t kMemorySize = 0x100000;

bool SrecCatPresent(const test::TempDir& dir) {
    const std::string command =
        "srec_cat -version > \"" + (dir.Path() / "version.txt").string() + "\" 2>&1";
    return std::system(command.c_str()) == 0;
}

struct Oracle {
    std::vector<int> memory = std::vector<int>(kMemorySize, -1);  // -1: no data
    std::string arguments;                                        // srec_cat inputs and filters
};

// Random bytes from first on, with holes of 1..300 bytes between runs of 4..300 bytes.
void AddArea(Oracle& oracle, std::mt19937& random, const test::TempDir& dir,
             const std::string& name, uint32_t first, uint32_t length) {
    std::vector<uint8_t> bytes(length);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    const auto file = dir.Write(name, bytes);
    std::ostringstream args;
    args << " \"" << file.string() << "\" -binary -offset " << first;
    uint32_t a = first;
    const uint32_t end = first + length;
    while (a < end) {
        const uint32_t run = std::min<uint32_t>(4 + random() % 297, end - a);
        for (uint32_t i = 0; i < run; ++i) oracle.memory[a + i] = bytes[a + i - first];
        a += run;
        const uint32_t hole = std::min<uint32_t>(1 + random() % 300, end - a);
        if (hole > 0 && a + hole < end) args << " -exclude " << a << ' ' << a + hole;
        if (a + hole >= end) {
            for (uint32_t i = a; i < end; ++i) oracle.memory[i] = bytes[i - first];
            break;
        }
        a += hole;
    }
    oracle.arguments += args.str();
}

struct OracleCase {
    const char* name;
    const char* lineOptions;
    unsigned seed;
};

class SrecCatOracle : public ::testing::TestWithParam<OracleCase> {};

TEST_P(SrecCatOracle, BlocksHoldTheWrittenBytes) {
    test::TempDir dir;
    if (!SrecCatPresent(dir)) GTEST_SKIP() << "srec_cat is not installed";

    std::mt19937 random(GetParam().seed);
    Oracle oracle;
    AddArea(oracle, random, dir, "low.bin", 0x10000 + random() % 64, 0x2000 + random() % 0x1000);
    AddArea(oracle, random, dir, "main.bin", 0x80000 + random() % 64, 0x6000 + random() % 0x2000);
    AddArea(oracle, random, dir, "top.bin", 0xF0000 + random() % 64, 0x3000 + random() % 0x1000);

    const auto text = dir.Path() / "image.s28";
    const std::string command = "srec_cat" + oracle.arguments + " -o \"" + text.string() +
                                "\" -motorola -address-length=3 " + GetParam().lineOptions;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto plain = test::ReadAll(text);
    ASSERT_FALSE(plain.empty());

    test::AreaLists lists = test::LoadPlainText(std::string(plain.begin(), plain.end()));
    ASSERT_TRUE(lists.loaded);

    std::vector<bool> covered(kMemorySize, false);
    for (const RecordList* area : {&lists.low, &lists.main, &lists.top}) {
        uint32_t previousEnd = 0;
        for (const ImageRecord& block : *area) {
            ASSERT_EQ(block.address % 2, 0u);
            ASSERT_EQ(block.count % 4, 0);
            ASSERT_LE(block.count, kMaxRecordBytes);
            ASSERT_GE(block.address, previousEnd) << "blocks overlap";
            previousEnd = block.End();
            for (int i = 0; i < block.count; ++i) {
                const uint32_t address = block.address + static_cast<uint32_t>(i);
                const int expected = oracle.memory[address] < 0 ? 0xFF : oracle.memory[address];
                ASSERT_EQ(block.ByteAt(i), expected) << "at " << std::hex << address;
                covered[address] = true;
            }
        }
    }
    for (uint32_t a = 0; a < kMemorySize; ++a) {
        if (oracle.memory[a] >= 0) {
            ASSERT_TRUE(covered[a]) << "no block holds " << std::hex << a;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    LineLengths, SrecCatOracle,
    ::testing::Values(
        OracleCase{"Lines16", "-output-block-size=16", 1},
        OracleCase{"Lines32", "-output-block-size=32", 2},
        OracleCase{"Lines7", "-output-block-size=7", 3},
        // Aligned, so that no 128-byte line starts at an odd address (such lines are refused).
        OracleCase{"Lines128Aligned", "-output-block-size=128 -output-block-alignment", 4},
        OracleCase{"Lines20Aligned", "-output-block-size=20 -output-block-alignment", 5},
        OracleCase{"Lines32EndS8",
                   "-output-block-size=32 -disable=data-count "
                   "-execution-start-address=0",
                   6}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace updater
