#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "link/LinkPort.h"
#include "protocol/CheckSequence.h"
#include "protocol/ResultCodes.h"
#include "protocol/TransferPass.h"
#include "tests/protocol/UpdateTestSupport.h"

namespace updater {
namespace {

using testing::RecordingHost;

std::array<uint8_t, 16> VersionAnswer(const char* text, size_t length) {
    std::array<uint8_t, 16> answer;
    answer.fill(0xFF);
    std::memcpy(answer.data(), text, length);
    return answer;
}

TEST(VersionChangeText, FormsOfTheSecondLine) {
    struct Case {
        const char* name;
        std::array<uint8_t, 16> radio;
        std::string image;
        std::string secondLine;
    };
    std::array<uint8_t, 16> noDataWithText = VersionAnswer("\xFFV1.00", 6);
    const Case cases[] = {
        {"radio version", VersionAnswer("V2.10.06\0", 9), "V2.10.07",
         " Ver. V2.10.06 -> Ver. V2.10.07"},
        {"no data", VersionAnswer("", 0), "V2.10.07", "No Data -> Ver. V2.10.07"},
        {"no data despite later text", noDataWithText, "V1", "No Data -> Ver. V1"},
        {"twelve characters cut to eight", VersionAnswer("ABCDEFGHIJKL", 12), "V1",
         " Ver. ABCDEFGH -> Ver. V1"},
        {"zero byte at index 3", VersionAnswer("V12\0XYZ", 7), "V1", " Ver. V12 -> Ver. V1"},
        {"image version cut to eight", VersionAnswer("V1\0", 3), "123456789",
         " Ver. V1 -> Ver. 12345678"},
        {"odd bytes made text", VersionAnswer("V\xE9\x01\0", 4), "V1",
         " Ver. V\xC3\xA9\\x01 -> Ver. V1"},
        {"no character cut in two", VersionAnswer("V1\0", 3),
         "V\xC3\xA9"
         "234567\xC3\xA9",
         " Ver. V1 -> Ver. V\xC3\xA9"
         "234567"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            VersionChangeText(c.radio, c.image),
            " Please confirm the version change: \n" + c.secondLine + "\nDo you want to continue?");
    }
    EXPECT_EQ(std::string(" Ver. V2.10.06 -> Ver. V2.10.07").size(), 31u);
}

TEST(CheckModelCode, OnlyTheTwoFullCodesAreAccepted) {
    struct Case {
        const char* name;
        std::array<uint8_t, 16> code;
        int accepted;
    };
    auto code = [](const char* text, uint8_t tail) {
        std::array<uint8_t, 16> bytes;
        bytes.fill(tail);
        std::memcpy(bytes.data(), text, 8);
        return bytes;
    };
    std::array<uint8_t, 16> oneByteOff = code("MQA6635 ", 0xFF);
    oneByteOff[15] = 0xFE;
    const Case cases[] = {
        {"first code", code("MQA6635 ", 0xFF), 1},
        {"second code", code("PQA7712 ", 0xFF), 1},
        {"first code, tail not 0xFF", code("MQA6635 ", 0x00), 0},
        {"first code, last byte differs", oneByteOff, 0},
        {"other model", code("MQA6636 ", 0xFF), 0},
        {"lower case", code("mqa6635 ", 0xFF), 0},
    };
    LinkPort link;
    RecordingHost host;
    const FirmwareImage image;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateContext context{link, host, image, {}};
        std::copy(c.code.begin(), c.code.end(), context.identityReply.begin());
        uint32_t result = 0;
        EXPECT_EQ(CheckModelCode(context, &result).Ok(), c.accepted == 1);
        EXPECT_EQ(result, c.accepted ? 0u : ERR_MODEL);
    }
}

TEST(WritePassRules, FastSpeedCodeAndAreaChecksum) {
    EXPECT_EQ(FastSpeedCode(SpeedChoice::Speed57600), 3);
    EXPECT_EQ(FastSpeedCode(SpeedChoice::Speed38400), 2);
    EXPECT_EQ(FastSpeedCode(SpeedChoice::Speed38400ByHiddenButton), 2);
    EXPECT_EQ(FastSpeedCode(static_cast<SpeedChoice>(0)), 2);
    EXPECT_EQ(AreaChecksum(0xFF * 128, 128), 0);  // bytes 0xFF add nothing
    EXPECT_EQ(AreaChecksum(0, 128), 0x8080);      // 128 bytes 0x00
    EXPECT_EQ(AreaChecksum(0x10000 + 0x1234 + 255 * 3, 3), 0x1234);
    // 0x30000 bytes 0x00: far beyond 16 bits, still exact modulo 65536.
    EXPECT_EQ(AreaChecksum(0, 0x30000), static_cast<uint16_t>(-255 * 0x30000));
}

}  // namespace
}  // namespace updater
