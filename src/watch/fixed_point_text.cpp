#include "watch/fixed_point_text.h"

#include <array>
#include <charconv>

namespace halvane {

std::string fixed_point_text(double value, int decimals) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc{}) return "?";
    return {buffer.data(), result.ptr};
}

}  // namespace halvane
