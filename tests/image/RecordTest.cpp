#include <gtest/gtest.h>

#include "image/ImageRecord.h"
#include "tests/image/ImageTestSupport.h"

namespace updater {
namespace {

TEST(ImageRecord, ClearedRecordIsAllZero) {
    ImageRecord record = test::MakeRecord(0x80000, test::PatternBytes(0, 128));
    ClearRecord(record);
    EXPECT_EQ(record.count, 0);
    EXPECT_EQ(record.address, 0u);
    for (char c : record.text) ASSERT_EQ(c, 0);
}

TEST(ImageRecord, DigitPairsFollowTheHexRule) {
    ImageRecord record;
    const std::string text = "fF1aG700";
    std::copy(text.begin(), text.end(), record.text.begin());
    record.count = 4;
    EXPECT_EQ(record.ByteAt(0), 255);
    EXPECT_EQ(record.ByteAt(1), 26);
    EXPECT_EQ(record.ByteAt(2), 7);  // "G" counts as 0
    EXPECT_EQ(record.ByteAt(3), 0);
}

TEST(ImageRecord, FullRecordUsesAllTextWithoutTerminator) {
    const auto bytes = test::PatternBytes(3, kMaxRecordBytes);
    const ImageRecord record = test::MakeRecord(0x80000, bytes);
    EXPECT_NE(record.text.back(), 0);
    EXPECT_EQ(test::RecordBytes(record), bytes);
    EXPECT_EQ(record.End(), 0x80080u);
}

TEST(RecordList, AssignReplacesTheWholeContent) {
    RecordList big, small, empty;
    for (int i = 0; i < 10; ++i) big.Append(test::MakeRecord(0x1000u * i, {1}));
    for (int i = 0; i < 3; ++i) small.Append(test::MakeRecord(0x80000u + i, {2}));
    big.Assign(small);
    ASSERT_EQ(big.Size(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(big[i].address, 0x80000u + i);
    big.Assign(empty);
    EXPECT_TRUE(big.Empty());
}

// Records taken from the lists of two loads and records of the list's own come back whole, in
// order, also after the loaders and the first lists are gone.
TEST(RecordList, MixesRecordsOfLoadsAndItsOwn) {
    RecordList mixed;
    std::vector<ImageRecord> expected;
    for (int load = 0; load < 2; ++load) {
        test::AreaLists lists = test::LoadPlainText(test::PlainImageText(
            {{0x80000, test::PatternBytes(load, 40)}, {0x80040, test::PatternBytes(load + 2, 8)}}));
        ASSERT_TRUE(lists.loaded);
        for (int i = 0; i < lists.main.Size(); ++i) {
            mixed.AppendFrom(lists.main, i);
            expected.push_back(lists.main[i]);
        }
        const ImageRecord own = test::MakeRecord(0x90000u + load, test::PatternBytes(load, 5));
        mixed.Append(own);
        expected.push_back(own);
    }
    RecordList copy;
    copy.Assign(mixed);
    ASSERT_EQ(copy.Size(), static_cast<int>(expected.size()));
    for (int i = 0; i < copy.Size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(copy.AddressOf(i), expected[static_cast<size_t>(i)].address);
        EXPECT_EQ(copy.CountOf(i), expected[static_cast<size_t>(i)].count);
        EXPECT_EQ(test::RecordBytes(copy[i]), test::RecordBytes(expected[static_cast<size_t>(i)]));
    }
}

}  // namespace
}  // namespace updater
