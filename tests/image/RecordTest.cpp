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

}  // namespace
}  // namespace updater
