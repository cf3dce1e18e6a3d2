// Naming the board's serial device on the command line.

#include "link/serial_device.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "link/usb_latency_timer.h"

namespace halvane {
namespace {

namespace fs = std::filesystem;

TEST(SerialDeviceName, ComNamesAreTheBuiltInPortsCountedFromOne) {
    EXPECT_EQ(device_path_for("COM1"), "/dev/ttyS0");
    EXPECT_EQ(device_path_for("com2"), "/dev/ttyS1");
    EXPECT_EQ(device_path_for("Com10"), "/dev/ttyS9");
    // Not COM names: no number, number 0, other characters. They are names in /dev.
    EXPECT_EQ(device_path_for("COM"), "/dev/COM");
    EXPECT_EQ(device_path_for("COM0"), "/dev/COM0");
    EXPECT_EQ(device_path_for("COM1a"), "/dev/COM1a");
    EXPECT_EQ(device_path_for("COMX"), "/dev/COMX");
}

TEST(SerialDeviceName, BareNamesLiveInDevAndPathsStay) {
    EXPECT_EQ(device_path_for("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(device_path_for("ttyACM1"), "/dev/ttyACM1");
    EXPECT_EQ(device_path_for("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(device_path_for("./board"), "./board");
    EXPECT_EQ(device_path_for("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"),
              "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    EXPECT_EQ(device_path_for(""), "");
}

class SerialDeviceLinks : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("serial_device_test." + std::to_string(::getpid()));
        fs::create_directories(root_ / "serial" / "by-id");
        std::ofstream(root_ / "ttyUSB0") << "";
        root_ = fs::canonical(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path root_;
};

TEST_F(SerialDeviceLinks, ByIdLinksOpenTheDeviceAndMessagesShowBothNames) {
    // As udev makes them: relative links, here through a second link.
    const fs::path by_id = root_ / "serial" / "by-id" / "usb-FTDI_FT232R-if00-port0";
    fs::create_symlink("../../ttyUSB0", by_id);
    const fs::path alias = root_ / "board";
    fs::create_symlink(by_id, alias);

    const SerialDevice device = resolve_serial_device(alias.string());
    EXPECT_EQ(device.typed, alias.string());
    EXPECT_EQ(device.path, (root_ / "ttyUSB0").string());
    EXPECT_EQ(device.shown(), alias.string() + " (" + (root_ / "ttyUSB0").string() + ")");
}

TEST_F(SerialDeviceLinks, ADeviceThatIsNotALinkOrLeadsNowhereIsKept) {
    const std::string plain = (root_ / "ttyUSB0").string();
    EXPECT_EQ(resolve_serial_device(plain).path, plain);
    EXPECT_EQ(resolve_serial_device(plain).shown(), plain);

    const fs::path dangling = root_ / "serial" / "by-id" / "unplugged";
    fs::create_symlink("../../ttyUSB9", dangling);
    EXPECT_EQ(resolve_serial_device(dangling.string()).path, dangling.string());
    EXPECT_EQ(resolve_serial_device("COM250").shown(), "COM250 (/dev/ttyS249)");
}

TEST_F(SerialDeviceLinks, AUsbAdaptersLatencyTimerIsReadFromSysfs) {
    // Laid out as the kernel shows usb-serial ports under /sys.
    const fs::path devices = root_ / "bus" / "usb-serial" / "devices";
    const std::pair<const char*, const char*> timers[] = {
        {"ttyUSB0", "16\n"}, {"ttyUSB1", "1\n"}, {"ttyUSB2", "fast\n"}, {"ttyUSB3", "300\n"}};
    for (const auto& [name, text] : timers) {
        fs::create_directories(devices / name);
        std::ofstream(devices / name / "latency_timer") << text;
    }
    fs::create_directories(devices / "ttyUSB4");  // a driver without the timer
    const std::string sysfs = root_.string();

    EXPECT_EQ(usb_latency_timer_ms("/dev/ttyUSB0", sysfs), 16);
    EXPECT_EQ(usb_latency_timer_ms("/dev/ttyUSB1", sysfs), 1);
    EXPECT_EQ(usb_latency_timer_ms("/dev/ttyUSB2", sysfs), std::nullopt);  // not a number
    EXPECT_EQ(usb_latency_timer_ms("/dev/ttyUSB3", sysfs), std::nullopt);  // not a byte
    EXPECT_EQ(usb_latency_timer_ms("/dev/ttyUSB4", sysfs), std::nullopt);
    EXPECT_EQ(usb_latency_timer_ms("/dev/ttyS0", sysfs), std::nullopt);
    EXPECT_EQ(usb_latency_timer_ms("/dev/", sysfs), std::nullopt);
}

}  // namespace
}  // namespace halvane
