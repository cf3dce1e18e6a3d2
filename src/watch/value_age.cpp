#include "watch/value_age.h"

#include <algorithm>
#include <cmath>

#include "watch/fixed_point_text.h"

namespace halvane {

namespace {

// Ages come from differences of clock readings: a hair below a tenth (2.3 - 2.0 is
// 0.29999...) still counts as that tenth.
constexpr double kClockNoise = 1e-6;

std::string age_text(double seconds) {
    seconds = std::max(0.0, seconds) + kClockNoise;
    if (seconds < 10) return fixed_point_text(std::floor(seconds * 10) / 10, 1) + " s";
    const auto whole = static_cast<long long>(std::floor(seconds));
    if (whole < 60) return std::to_string(whole) + " s";
    if (whole < 3600) {
        return std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
    }
    return std::to_string(whole / 3600) + " h " + std::to_string(whole % 3600 / 60) + " min";
}

}  // namespace

std::string value_age_text(std::optional<double> last_good_read_at, bool last_read_failed,
                           double now) {
    if (last_read_failed) {
        if (!last_good_read_at) return "last read failed";
        return "last read failed; last good read " + age_text(now - *last_good_read_at) + " ago";
    }
    if (!last_good_read_at) return {};
    return "read " + age_text(now - *last_good_read_at) + " ago";
}

}  // namespace halvane
