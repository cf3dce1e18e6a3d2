#pragma once

#include <string>
#include <string_view>

namespace halvane {

// The serial device named on the command line, as users name them: a path such as
// /dev/ttyUSB0, /dev/ttyACM0 or a /dev/serial/by-id/... link, a bare name such as ttyS1,
// or a Windows name such as COM1.
struct SerialDevice {
    std::string typed;  // what the user wrote
    std::string path;   // the device to open

    // For messages: what the user wrote, and the device it stands for when that differs.
    std::string shown() const;
};

// COMn (any case, n from 1) is the n-th built-in port, /dev/ttyS(n-1); a name without a
// slash lives in /dev; any other text is a path and stays as it is.
std::string device_path_for(std::string_view typed);

// device_path_for, then symbolic links (the stable /dev/serial/by-id names) followed to the
// device itself, so that every name of one device takes the same lock. A path that leads
// nowhere is kept, and opening it reports the error.
SerialDevice resolve_serial_device(std::string_view typed);

}  // namespace halvane
