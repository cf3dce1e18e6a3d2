#include "watch/axis_range.h"

#include <cmath>
#include <initializer_list>

namespace halvane {

AxisRange nice_axis_range(double low, double high) {
    if (!(high > low)) {
        low -= 1;
        high += 1;
    }
    // The smallest round step that needs no more than 10 intervals.
    const double rough = (high - low) / 10;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power * 10;
    for (double factor : {1.0, 2.0, 5.0}) {
        if (power * factor >= rough) {
            step = power * factor;
            break;
        }
    }
    AxisRange range;
    range.min = std::floor(low / step) * step;
    range.max = std::ceil(high / step) * step;
    range.ticks = static_cast<int>(std::lround((range.max - range.min) / step)) + 1;
    return range;
}

}  // namespace halvane
