#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace halvane {

// The latency timer of a USB-serial adapter (FTDI chips): how long, in milliseconds, the
// adapter holds received characters back before it sends a short packet to the PC. The driver
// shows it in sysfs as <sysfs_root>/bus/usb-serial/devices/<name>/latency_timer, <name> being
// the device's file name (ttyUSB0 for /dev/ttyUSB0). Read without opening the port; nothing
// for ports whose driver has no such timer.
std::optional<int> usb_latency_timer_ms(std::string_view device_path,
                                        const std::string& sysfs_root = "/sys");

}  // namespace halvane
