#include "link/usb_latency_timer.h"

#include <charconv>
#include <fstream>
#include <iterator>

namespace halvane {

std::optional<int> usb_latency_timer_ms(std::string_view device_path,
                                        const std::string& sysfs_root) {
    const std::string_view name = device_path.substr(device_path.rfind('/') + 1);
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    std::ifstream file(sysfs_root + "/bus/usb-serial/devices/" + std::string(name) +
                       "/latency_timer");
    if (!file) return std::nullopt;
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    int milliseconds = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), milliseconds);
    const std::string_view rest(end, static_cast<std::size_t>(text.data() + text.size() - end));
    if (error != std::errc{} || milliseconds < 0 || milliseconds > 255 ||
        rest.find_first_not_of(" \n") != std::string_view::npos) {
        return std::nullopt;
    }
    return milliseconds;
}

}  // namespace halvane
