#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/PortList.h"
#include "link/SerialPort.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

TEST(ComPortName, UsesTheDeviceFormFromTen) {
    EXPECT_EQ(ComPortName(1), "COM1");
    EXPECT_EQ(ComPortName(9), "COM9");
    EXPECT_EQ(ComPortName(10), "\\\\.\\COM10");
    EXPECT_EQ(ComPortName(20), "\\\\.\\COM20");
}

TEST(PortNameForNumber, FollowsThePlatform) {
#ifdef _WIN32
    EXPECT_EQ(SerialPort::PortNameForNumber(9), "COM9");
    EXPECT_EQ(SerialPort::PortNameForNumber(10), "\\\\.\\COM10");
#else
    EXPECT_EQ(SerialPort::PortNameForNumber(1), "/dev/ttyS0");
    EXPECT_EQ(SerialPort::PortNameForNumber(11), "/dev/ttyS10");
#endif
}

TEST(NaturalLess, OrdersNumbersByValue) {
    const std::vector<std::string> expected = {"ttyACM0", "ttyS1",   "ttyS2",   "ttyS10",
                                               "ttyUSB0", "ttyUSB9", "ttyUSB10"};
    std::vector<std::string> names = {"ttyUSB10", "ttyS10",  "ttyUSB0", "ttyS2",
                                      "ttyACM0",  "ttyUSB9", "ttyS1"};
    std::sort(names.begin(), names.end(), NaturalLess);
    EXPECT_EQ(names, expected);
    EXPECT_FALSE(NaturalLess("ttyS2", "ttyS2"));
    EXPECT_TRUE(NaturalLess("ttyS", "ttyS0"));
    EXPECT_FALSE(NaturalLess("ttyS0", "ttyS"));
}

class SerialDeviceListing : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("link-ports-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(Dev());
        fs::create_directories(Sys());
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path Dev() const { return root_ / "dev"; }
    fs::path Sys() const { return root_ / "sys"; }
    void AddDevice(const std::string& name) { std::ofstream(Dev() / name).put('\0'); }
    void AddUart(const std::string& name, int type) {
        AddDevice(name);
        fs::create_directories(Sys() / name);
        std::ofstream(Sys() / name / "type") << type << '\n';
    }
    std::string Path(const std::string& name) const { return (Dev() / name).string(); }

    fs::path root_;
};

TEST_F(SerialDeviceListing, KeepsSerialDevicesInNaturalOrder) {
    AddDevice("ttyUSB1");
    AddDevice("ttyUSB0");
    AddDevice("ttyACM0");
    AddUart("ttyS10", 4);
    AddUart("ttyS2", 4);
    AddUart("ttyS3", 0);  // a slot without a UART behind it
    AddDevice("ttyS4");   // no sysfs entry: not known to be a UART
    AddDevice("tty0");
    AddDevice("console");
    AddDevice("ttySX");

    const std::vector<std::string> expected = {Path("ttyACM0"), Path("ttyS2"), Path("ttyS10"),
                                               Path("ttyUSB0"), Path("ttyUSB1")};
    EXPECT_EQ(ListSerialDevices(Dev().string(), Sys().string()), expected);
}

TEST_F(SerialDeviceListing, StopsAtTwentyPorts) {
    for (int i = 0; i < 25; ++i) AddDevice("ttyUSB" + std::to_string(i));
    const auto ports = ListSerialDevices(Dev().string(), Sys().string());
    ASSERT_EQ(ports.size(), kMaxListedPorts);
    EXPECT_EQ(ports.front(), Path("ttyUSB0"));
    EXPECT_EQ(ports.back(), Path("ttyUSB19"));
}

TEST_F(SerialDeviceListing, KnowsTheSystemConsoleFromTheActiveConsoles) {
    EXPECT_FALSE(IsSystemConsole(Path("ttyS0"), Sys().string())) << "no console list";
    fs::create_directories(Sys() / "console");
    std::ofstream(Sys() / "console" / "active") << "tty0 ttyS0\n";
    EXPECT_TRUE(IsSystemConsole(Path("ttyS0"), Sys().string()));
    EXPECT_FALSE(IsSystemConsole(Path("ttyS1"), Sys().string()));
    EXPECT_FALSE(IsSystemConsole(Path("ttyS"), Sys().string()));
}

TEST(PutConsolesLast, KeepsTheOrderOfTheOtherPorts) {
    std::vector<std::string> ports = {"ttyS0", "ttyS1", "ttyUSB0", "ttyUSB1"};
    PutConsolesLast(ports, [](const std::string& port) { return port == "ttyS0"; });
    EXPECT_EQ(ports, (std::vector<std::string>{"ttyS1", "ttyUSB0", "ttyUSB1", "ttyS0"}));
    std::vector<std::string> onlyConsole = {"ttyS0"};
    PutConsolesLast(onlyConsole, [](const std::string&) { return true; });
    EXPECT_EQ(onlyConsole, std::vector<std::string>{"ttyS0"});
}

TEST_F(SerialDeviceListing, MissingDirectoryGivesAnEmptyList) {
    EXPECT_TRUE(ListSerialDevices((root_ / "absent").string(), Sys().string()).empty());
}

}  // namespace
}  // namespace updater
