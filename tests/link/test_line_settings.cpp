#include <gtest/gtest.h>

#include "link/LineSettings.h"

namespace updater {
namespace {

struct GoodCase {
    const char* text;
    uint32_t speed;
    Parity parity;
    int dataBits;
    StopBits stopBits;
};

class GoodSettings : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodSettings, AreTakenApart) {
    const GoodCase& c = GetParam();
    const auto settings = ParseLineSettings(c.text);
    ASSERT_TRUE(settings.has_value()) << c.text;
    EXPECT_EQ(settings->speed, c.speed);
    EXPECT_EQ(settings->parity, c.parity);
    EXPECT_EQ(settings->dataBits, c.dataBits);
    EXPECT_EQ(settings->stopBits, c.stopBits);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GoodSettings,
    ::testing::Values(GoodCase{"9600,N,8,2", 9600, Parity::None, 8, StopBits::Two},
                      GoodCase{"19200,N,8,1", 19200, Parity::None, 8, StopBits::One},
                      GoodCase{"57600,e,7,1", 57600, Parity::Even, 7, StopBits::One},
                      GoodCase{"38400,O,8,2", 38400, Parity::Odd, 8, StopBits::Two},
                      GoodCase{"1200,M,6,1", 1200, Parity::Mark, 6, StopBits::One},
                      GoodCase{"1200,s,5,1.5", 1200, Parity::Space, 5, StopBits::OneAndHalf}));

class BadSettings : public ::testing::TestWithParam<const char*> {};

TEST_P(BadSettings, AreRefused) { EXPECT_FALSE(ParseLineSettings(GetParam()).has_value()); }

INSTANTIATE_TEST_SUITE_P(Texts, BadSettings,
                         ::testing::Values("", "9600", "9600,N,8", "9600,N,8,2,x", "9600 ,N,8,2",
                                           "0,N,8,2", "-9600,N,8,2", "9600,Q,8,2", "9600,NN,8,2",
                                           "9600,N,9,2", "9600,N,4,2", "9600,N,8,3", "9600,N,8,1.5",
                                           "99999999999,N,8,2", "9600,N,8,"));

}  // namespace
}  // namespace updater
