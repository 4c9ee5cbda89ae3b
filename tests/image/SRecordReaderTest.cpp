#include <gtest/gtest.h>

#include <string>

#include "image/ImageLoader.h"
#include "tests/image/ImageTestSupport.h"

namespace updater {
namespace {

const std::string kHeader = "S00600004844521B\r\n";
const std::string kLine = "S20808000001020304E5\r\n";  // 01 02 03 04 at 0x80000
const std::string kEnd = "S804000000FB\r\n";

struct ReadResult {
    bool ok;
    RecordList records;
};

ReadResult Read(const std::string& text) {
    ImageLoader loader;
    loader.SetText({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    ReadResult read;
    read.ok = loader.ReadSRecords(read.records);
    return read;
}

TEST(ReadSRecords, DataLineGivesOneRawRecord) {
    const ReadResult read = Read(kHeader + kLine + kEnd);
    ASSERT_TRUE(read.ok);
    ASSERT_EQ(read.records.Size(), 1);
    EXPECT_EQ(read.records[0].address, 0x80000u);
    EXPECT_EQ(read.records[0].count, 4);
    EXPECT_EQ(std::string(read.records[0].text.data(), 8), "01020304");
}

TEST(ReadSRecords, LowerCaseDataIsCopiedUnchanged) {
    // 0a 0b 0c 0d: sum 08+08+0a+0b+0c+0d = 0x3E, checksum 0xC1.
    const ReadResult read = Read(kHeader + "S208080000" + "0a0b0c0d" + "c1\r\n" + kEnd);
    ASSERT_TRUE(read.ok);
    ASSERT_EQ(read.records.Size(), 1);
    EXPECT_EQ(std::string(read.records[0].text.data(), 8), "0a0b0c0d");
    EXPECT_EQ(read.records[0].ByteAt(3), 0x0D);
}

TEST(ReadSRecords, FullLineOf128Bytes) {
    const std::string text = test::PlainImageText({{0x80000, test::PatternBytes(1, 128)}});
    const ReadResult read = Read(text);
    ASSERT_TRUE(read.ok);
    ASSERT_EQ(read.records.Size(), 1);
    EXPECT_EQ(test::RecordBytes(read.records[0]), test::PatternBytes(1, 128));
}

// A data line's checksum counts a character that is no hexadecimal digit as 0, whatever the
// character and wherever in its pair it stands: one line holds every byte value as a first
// digit, another as a second.
TEST(ReadSRecords, EveryCharacterInDataCountsAsItsDigitValue) {
    for (int shift = 0; shift < 2; ++shift) {
        std::string data;
        for (int i = 0; i < 256; ++i) data.push_back(static_cast<char>((i + shift) % 256));
        uint32_t sum = 0x84 + 0x08;  // count field and address 080000
        for (size_t i = 0; i < data.size(); i += 2) {
            sum += DigitPairValue(data[i], data[i + 1]);
        }
        const char* hex = "0123456789ABCDEF";
        const uint8_t checksum = static_cast<uint8_t>(255 - (sum & 0xFF));
        for (int wrong = 0; wrong < 2; ++wrong) {
            const auto given = static_cast<uint8_t>(checksum + wrong);
            const std::string line =
                std::string("S284080000") + data + hex[given >> 4] + hex[given & 0xF] + "\r\n";
            const ReadResult read = Read(kHeader + line + kEnd);
            EXPECT_EQ(read.ok, wrong == 0) << "shift " << shift;
            if (wrong == 0 && read.ok) {
                ASSERT_EQ(read.records.Size(), 1);
                EXPECT_EQ(std::string(read.records[0].text.data(), 256), data);
            }
        }
    }
}

struct TextCase {
    const char* name;
    std::string text;
    bool ok;
    int records;
};

class ReadSRecordsText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ReadSRecordsText, GivesResultAndRecords) {
    const ReadResult read = Read(GetParam().text);
    EXPECT_EQ(read.ok, GetParam().ok);
    if (read.ok) {
        EXPECT_EQ(read.records.Size(), GetParam().records);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadSRecordsText,
    ::testing::Values(
        TextCase{"HeaderAndEndOnly", kHeader + kEnd, true, 0},
        TextCase{"ChecksumMismatch", kHeader + "S20808000001020304E6\r\n" + kEnd, false, 0},
        TextCase{"LeadingBlanksSkipped", " \r\n\n " + kHeader + kLine + kEnd, true, 1},
        TextCase{"FirstCharacterNotS", "x" + kHeader + kLine + kEnd, false, 0},
        TextCase{"EmptyText", "", false, 0},
        TextCase{"HeaderAfterS1AndS3",
                 "S1050000AABB95\r\nS3060000000000F9\r\n" + kHeader + kLine + kEnd, true, 1},
        TextCase{"OnlyS1AndS9", "S1050000AABB95\r\nS9030000FC\r\n", false, 0},
        TextCase{"S5EndsReading", kHeader + "S5030001FB\r\n" + kLine + kEnd, true, 0},
        TextCase{"S7EndsReading", kHeader + kLine + "S70500000000FA\r\n" + kLine, true, 1},
        TextCase{"SecondHeader", kHeader + kLine + kHeader + kEnd, false, 0},
        TextCase{"DataBeforeHeader", kLine + kHeader + kEnd, false, 0},
        TextCase{"EndBeforeHeader", kEnd + kHeader, false, 0},
        TextCase{"CountFieldTooSmall", kHeader + "S203080000F4\r\n" + kEnd, false, 0},
        TextCase{"CountFieldTooLarge",
                 kHeader + "S285080000" + std::string(258, '0') + "F0\r\n" + kEnd, false, 0},
        TextCase{"EmptyDataLine", kHeader + "S204080000F3\r\n" + kEnd, true, 1},
        TextCase{"AddressZero", kHeader + "S204000000FB\r\n" + kEnd, false, 0},
        TextCase{"AddressAboveImage", kHeader + "S204100000EB\r\n" + kEnd, false, 0},
        TextCase{"GarbageBetweenRecords", kHeader + "#junk#" + kLine + "~~" + kEnd, true, 1},
        // The text ends before a termination record, or inside a record.
        TextCase{"NoTermination", kHeader + kLine, false, 0},
        TextCase{"EndsInsideData", kHeader + "S2080800000102", false, 0},
        TextCase{"EndsInsideChecksum", kHeader + "S20808000001020304E", false, 0},
        TextCase{"EndsAfterS", kHeader + kLine + "S", false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadSRecords, NeverReadsPastTheBuffer) {
    // The text is cut inside a data line; the bytes after the cut would complete it.
    const std::string whole = kHeader + kLine + kEnd;
    const size_t cut = kHeader.size() + 12;
    ImageLoader loader;
    loader.SetText({reinterpret_cast<const uint8_t*>(whole.data()), cut});
    RecordList records;
    EXPECT_FALSE(loader.ReadSRecords(records));
    EXPECT_LE(loader.Cursor(), cut);
}

}  // namespace
}  // namespace updater
