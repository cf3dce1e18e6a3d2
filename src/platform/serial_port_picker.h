#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvane {

// A serial port the system knows, as `halvane --list-ports` prints it.
struct SerialPortListing {
    std::string device;       // the path, e.g. /dev/ttyUSB0
    std::string description;  // what the system says it is; empty when it says nothing
};

// File > Serial Port: the ports to choose from, the modal list, and the memory of the port
// chosen last (the port a start without --port opens).
class SerialPortPicker {
  public:
    virtual ~SerialPortPicker() = default;
    // The ports the system knows now, in device order.
    virtual std::vector<SerialPortListing> ports() = 0;
    // Shows `ports` with `current` selected (it may be missing from them, a pseudo-terminal for
    // one). Returns the device chosen, a listed one or a name typed as --port takes it, or
    // std::nullopt when cancelled.
    virtual std::optional<std::string> choose(const std::vector<SerialPortListing>& ports,
                                              std::string_view current) = 0;
    virtual void remember(std::string_view device) = 0;
};

}  // namespace halvane
