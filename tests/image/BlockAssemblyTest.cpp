#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "image/ImageLoader.h"
#include "tests/image/ImageTestSupport.h"

namespace updater {
namespace {

using Span = std::pair<uint32_t, int>;  // address, byte count

struct BlockCase {
    const char* name;
    std::vector<Span> lines;
    bool loads;
    std::vector<Span> blocks;  // low, main and top area in that order
};

std::vector<test::Line> LinesOf(const std::vector<Span>& spans) {
    std::vector<test::Line> lines;
    int index = 0;
    for (const auto& [address, count] : spans) {
        lines.push_back({address, test::PatternBytes(index++, count)});
    }
    return lines;
}

class AssembleBlocksCase : public ::testing::TestWithParam<BlockCase> {};

// Each block must hold the bytes the lines put at its addresses (the later line winning) and
// the filler 0xFF where no line put any.
TEST_P(AssembleBlocksCase, GivesTheBlocks) {
    const BlockCase& c = GetParam();
    const auto lines = LinesOf(c.lines);
    test::AreaLists lists = test::LoadPlainText(test::PlainImageText(lines));
    ASSERT_EQ(lists.loaded, c.loads);
    if (!c.loads) return;

    std::vector<ImageRecord> blocks;
    for (const RecordList* area : {&lists.low, &lists.main, &lists.top}) {
        blocks.insert(blocks.end(), area->begin(), area->end());
    }
    ASSERT_EQ(blocks.size(), c.blocks.size());
    const auto memory = test::MemoryOf(lines);
    for (size_t b = 0; b < blocks.size(); ++b) {
        SCOPED_TRACE("block " + std::to_string(b));
        EXPECT_EQ(blocks[b].address, c.blocks[b].first);
        ASSERT_EQ(blocks[b].count, c.blocks[b].second);
        for (int i = 0; i < blocks[b].count; ++i) {
            const auto found = memory.find(blocks[b].address + static_cast<uint32_t>(i));
            const uint8_t expected = found == memory.end() ? 0xFF : found->second;
            ASSERT_EQ(blocks[b].ByteAt(i), expected) << "byte " << i;
        }
    }
}

std::vector<Span> NineLines() {
    std::vector<Span> lines;
    for (uint32_t i = 0; i < 9; ++i) lines.push_back({0x80000 + 16 * i, 16});
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AssembleBlocksCase,
    ::testing::Values(
        BlockCase{"NineContiguousLines", NineLines(), true, {{0x80000, 128}, {0x80080, 16}}},
        BlockCase{"ShortHoleFilled",
                  {{0x80000, 16}, {0x80020, 16}},
                  true,
                  {{0x80000, 32}, {0x80020, 16}}},
        BlockCase{"FarLineAddsFourFiller",
                  {{0x80000, 16}, {0x81000, 16}},
                  true,
                  {{0x80000, 20}, {0x81000, 16}}},
        BlockCase{"FarLineRoundsUpUnalignedBlock",
                  {{0x80000, 15}, {0x81000, 16}},
                  true,
                  {{0x80000, 16}, {0x81000, 16}}},
        BlockCase{"TailTakenFromNextLine",
                  {{0x80000, 16}, {0x80013, 16}},
                  true,
                  {{0x80000, 20}, {0x80014, 16}}},
        BlockCase{"SingleByteThenFollowingLine",
                  {{0x80000, 16}, {0x80011, 1}, {0x80012, 16}},
                  true,
                  {{0x80000, 20}, {0x80014, 16}}},
        BlockCase{"FillerCompletesFullBlock",
                  {{0x80000, 124}, {0x90000, 4}},
                  true,
                  {{0x80000, 128}, {0x90000, 4}}},
        BlockCase{"LineDoesNotFit",
                  {{0x80000, 30}, {0x8001E, 100}},
                  true,
                  {{0x80000, 32}, {0x80020, 100}}},
        BlockCase{"OddFirstLine", {{0x80001, 15}}, true, {{0x80000, 16}}},
        BlockCase{"SameAddressTwice",
                  {{0x80000, 16}, {0x80000, 16}},
                  true,
                  {{0x80000, 0}, {0x80000, 16}}},
        BlockCase{"LastBlockPadded", {{0xEFF00, 6}}, true, {{0xEFF00, 8}}},
        BlockCase{"PaddingReachesMainTop", {{0xEFFF8, 6}}, false, {}},
        BlockCase{"PaddingReachesLowTop", {{0x13FF8, 6}}, false, {}},
        BlockCase{"PaddingReachesTopTop", {{0xFFFF8, 6}}, false, {}},
        BlockCase{"AlignedLastBlockMayEndAtTop", {{0xFFFF8, 8}}, true, {{0xFFFF8, 8}}},
        BlockCase{"OutsideAreasDropped",
                  {{0x00100, 16}, {0x20000, 16}, {0x13FF0, 32}, {0x80000, 4}, {0xF0000, 8}},
                  true,
                  {{0x13FF0, 32}, {0x80000, 4}, {0xF0000, 8}}},
        BlockCase{"OddStartOverLastBlock", {{0x80000, 16}, {0x80011, 1}, {0x80013, 16}}, false, {}},
        // Even starts below the end of the block stored last: the blocks would overlap, and
        // the later block's filler would overwrite the earlier line's bytes.
        BlockCase{
            "EvenStartOverLastBlock", {{0x80000, 16}, {0x80011, 1}, {0x80010, 16}}, false, {}},
        BlockCase{"LineInsideFullBlock", {{0x80000, 128}, {0x80040, 16}}, false, {}},
        BlockCase{"LineRightAfterFullBlock",
                  {{0x80000, 128}, {0x80080, 16}},
                  true,
                  {{0x80000, 128}, {0x80080, 16}}},
        // A line at an odd address with 128 bytes would need a block of 129.
        BlockCase{"Odd128ByteLine", {{0x80001, 128}}, false, {}},
        BlockCase{"Odd127ByteLine", {{0x80001, 127}}, true, {{0x80000, 128}}},
        // A line below the start of the block under construction cannot cut it back.
        BlockCase{"LineBelowBlockStart", {{0x80010, 16}, {0x80000, 16}}, false, {}},
        BlockCase{
            "OverlapCutsBack", {{0x80000, 16}, {0x80008, 16}}, true, {{0x80000, 8}, {0x80008, 16}}},
        // The line after a single byte holds fewer bytes than the block still needs.
        BlockCase{"ShortFollowingLine",
                  {{0x80000, 16}, {0x80011, 1}, {0x80012, 1}, {0x80014, 16}},
                  true,
                  {{0x80000, 20}, {0x80014, 16}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AssembleBlocks, FailureKeepsTheAreasAssembledBefore) {
    const auto lines =
        LinesOf({{0x10000, 16}, {0x80000, 16}, {0x80000 + 16, 16}, {0xEFFF8, 6}, {0xF0000, 16}});
    test::AreaLists lists = test::LoadPlainText(test::PlainImageText(lines));
    EXPECT_FALSE(lists.loaded);
    EXPECT_EQ(lists.low.Size(), 1);
    EXPECT_EQ(lists.main.Size(), 1);  // the block stored before the failing last one
    EXPECT_TRUE(lists.top.Empty());   // not assembled after the failure
}

TEST(AssembleBlocks, FillerTextIsUpperCaseFF) {
    test::AreaLists lists = test::LoadPlainText(test::PlainImageText({{0x80001, {1, 2, 3}}}));
    ASSERT_TRUE(lists.loaded);
    ASSERT_EQ(lists.main.Size(), 1);
    EXPECT_EQ(std::string(lists.main[0].text.data(), 2), "FF");
    EXPECT_EQ(lists.main[0].count, 4);
}

// Blocks that run over several lines find the next line in the text as the reader does, past
// records of other kinds and characters between lines, whatever the lines' ends and lengths.
TEST(AssembleBlocks, BlocksOverLinesSeparatedByOtherTextHoldTheLinesBytes) {
    // An odd start, lines of uneven length, a line whose front completes the block before.
    const auto lines = LinesOf({{0x80001, 5},
                                {0x80006, 32},
                                {0x80026, 7},
                                {0x8002D, 100},
                                {0x80091, 128},
                                {0x80111, 3},
                                {0x80114, 64}});
    std::string plain;
    int line = 0;
    for (std::string rest = test::PlainImageText(lines); !rest.empty(); ++line) {
        const size_t end = rest.find('\n') + 1;
        std::string text = rest.substr(0, end);
        rest.erase(0, end);
        if (line % 2 == 0) text.erase(text.size() - 2, 1);  // LF alone
        plain += text;
        if (line % 3 == 1) plain += "S1030000FC\r\n";  // another kind of record
        if (line % 3 == 2) plain += "  -- \n";         // characters between lines
    }
    test::AreaLists lists = test::LoadPlainText(plain);
    ASSERT_TRUE(lists.loaded);
    ASSERT_FALSE(lists.main.Empty());
    const auto memory = test::MemoryOf(lines);
    int bytes = 0;
    for (const ImageRecord& block : lists.main) {
        for (int i = 0; i < block.count; ++i, ++bytes) {
            const auto found = memory.find(block.address + static_cast<uint32_t>(i));
            const uint8_t expected = found == memory.end() ? 0xFF : found->second;
            ASSERT_EQ(block.ByteAt(i), expected) << std::hex << block.address + i;
        }
    }
    EXPECT_GE(bytes, 339);
}

}  // namespace
}  // namespace updater
