#include "watch/link_health.h"

#include <algorithm>
#include <cmath>

#include "link/fast_line.h"
#include "watch/fixed_point_text.h"

namespace halvane {

double sweeps_per_second(std::span<const double> completed_at, double now) {
    const double window_start = now - kSweepRateWindowSeconds;
    const auto first = std::lower_bound(completed_at.begin(), completed_at.end(), window_start);
    const auto last = std::upper_bound(first, completed_at.end(), now);
    const auto count = static_cast<double>(last - first);
    if (count == 0) return 0;
    if (count == 1) return 1 / kSweepRateWindowSeconds;
    const double span = *(last - 1) - *first;
    const double usual_interval = span / (count - 1);
    const double since_last = now - *(last - 1);
    const double stretched =
        since_last > usual_interval ? span + since_last - usual_interval : span;
    return stretched > 0 ? (count - 1) / stretched : 0;
}

std::string link_health_text(double sweeps_per_second, long long timeouts) {
    return fixed_point_text(sweeps_per_second, 1) + " sweeps/s, " + std::to_string(timeouts) +
           (timeouts == 1 ? " time-out" : " time-outs");
}

std::string link_health_tooltip(const SweepSetup& setup) {
    const double interval = setup.interval_seconds;
    const bool whole = interval == std::floor(interval);
    std::string text = "Sweeps a second over the last " +
                       fixed_point_text(kSweepRateWindowSeconds, 0) +
                       " s, reads without reply since Live Refresh was turned on";
    text += "\nInterval: ";
    text += interval <= 0 ? "as fast as the line allows"
                          : fixed_point_text(interval, whole ? 0 : 1) + " s";
    text += "\nRows swept: " + std::to_string(setup.rows);
    text += setup.block_reads ? "\nblock reads" : "\nbyte reads";
    if (setup.block_reads && setup.refused > 0)
        text += ", " + std::to_string(setup.refused) + " replies refused by their check";
    text += "\nLine: " + line_rate_text(setup.line_rate);
    return text;
}

void RecentSweeps::completed(double at) {
    times_.push_back(at);
    const auto stale = std::lower_bound(times_.begin(), times_.end(), at - kSweepRateWindowSeconds);
    times_.erase(times_.begin(), stale);
}

double RecentSweeps::per_second(double now) const {
    return sweeps_per_second(times_, now);
}

}  // namespace halvane
