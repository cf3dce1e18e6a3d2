#include "link/serial_device.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace halvane {

namespace {

// The number n of "COMn", or 0 when `typed` is not such a name.
unsigned long com_number(std::string_view typed) {
    if (typed.size() < 4 || typed.size() > 7) return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(typed[i])) != "COM"[i]) return 0;
    }
    unsigned long number = 0;
    for (char c : typed.substr(3)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
        number = number * 10 + static_cast<unsigned long>(c - '0');
    }
    return number;
}

}  // namespace

std::string SerialDevice::shown() const {
    if (typed == path) return typed;
    return typed + " (" + path + ")";
}

std::string device_path_for(std::string_view typed) {
    if (const unsigned long number = com_number(typed); number > 0) {
        return "/dev/ttyS" + std::to_string(number - 1);
    }
    if (!typed.empty() && typed.find('/') == std::string_view::npos) {
        return "/dev/" + std::string(typed);
    }
    return std::string(typed);
}

SerialDevice resolve_serial_device(std::string_view typed) {
    SerialDevice device{std::string(typed), device_path_for(typed)};
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(device.path, error);
    if (!error) device.path = target.string();
    return device;
}

}  // namespace halvane
