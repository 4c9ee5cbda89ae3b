#include <gtest/gtest.h>

#include <algorithm>

#include "sim/RadioSimulator.h"
#include "tests/sim/ScriptedSteps.h"

namespace updater::sim::test {
namespace {

bool Logged(const SimReport& report, const std::string& entry) {
    return std::find(report.commands.begin(), report.commands.end(), entry) !=
           report.commands.end();
}

TEST(SimConnection, AnswersOnlyAtItsListenSpeedAndStopBits) {
    SimOptions options;
    options.listenSpeed = 1200;
    options.stopBits = 2;
    RadioSimulator radio(options);
    ASSERT_TRUE(radio.Start());
    UpdaterLine line(radio.PortPath());
    ASSERT_TRUE(line.IsOpen());

    // The sweep's first try, at 9600, and a try at the right speed with one stop bit: silence.
    for (const auto& [speed, stopBits] : {std::pair{9600, 2}, std::pair{1200, 1}}) {
        ASSERT_TRUE(line.SetLine(speed, stopBits));
        ASSERT_TRUE(line.Write(kConnectionRequest));
        EXPECT_TRUE(line.Read(1, 600).empty()) << speed << " bit/s, " << stopBits << " stop";
    }
    // No ACK while the line stays at the listen speed; it follows once the line reads 19200.
    ASSERT_TRUE(line.SetLine(1200, 2));
    ASSERT_TRUE(line.Write(kConnectionRequest));
    EXPECT_EQ(line.Read(2, 600), std::vector<uint8_t>{kSyn});
    ASSERT_TRUE(line.SetLine(19200, 2));
    EXPECT_EQ(line.Read(1, 1000), std::vector<uint8_t>{kAck});

    const SimReport report = radio.Report();
    EXPECT_EQ(report.sessions, 1);
    EXPECT_TRUE(Logged(report, "connection request at 1200 bit/s, 2 stop bit(s)"));
    EXPECT_TRUE(report.ChecksHeld());
}

struct ConnectFault {
    const char* name;
    bool noSyn;
    bool noAck;
    bool synExpected;
};

class SimConnectionFault : public ::testing::TestWithParam<ConnectFault> {};

TEST_P(SimConnectionFault, StaysSilentWhereTheFaultSays) {
    SimOptions options;
    options.faults.noSyn = GetParam().noSyn;
    options.faults.noAck = GetParam().noAck;
    RadioSimulator radio(options);
    ASSERT_TRUE(radio.Start());
    UpdaterLine line(radio.PortPath());
    ASSERT_TRUE(line.SetLine(9600, 2));
    ASSERT_TRUE(line.Write(kConnectionRequest));
    const auto syn = line.Read(1, 600);
    EXPECT_EQ(syn.size() == 1 && syn[0] == kSyn, GetParam().synExpected);
    ASSERT_TRUE(line.SetLine(19200, 2));
    EXPECT_TRUE(line.Read(1, 800).empty());
    EXPECT_TRUE(radio.Report().ChecksHeld());
}

INSTANTIATE_TEST_SUITE_P(Faults, SimConnectionFault,
                         ::testing::Values(ConnectFault{"NoSyn", true, false, false},
                                           ConnectFault{"NoAck", false, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace updater::sim::test
