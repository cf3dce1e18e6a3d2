#include "watch/plot_points.h"

#include <algorithm>

namespace halvane {

void plot_points(const SampleRing& ring, double from, double to, std::size_t columns,
                 std::vector<Sample>& out) {
    out.clear();
    columns = std::max<std::size_t>(columns, 1);
    const std::size_t first = ring.first_since(from);
    std::size_t end = first;
    while (end < ring.size() && ring[end].seconds <= to) ++end;
    if (end - first <= 2 * columns || to <= from) {
        for (std::size_t i = first; i < end; ++i) out.push_back(ring[i]);
        return;
    }

    const double column_width = (to - from) / static_cast<double>(columns);
    std::size_t i = first;
    while (i < end) {
        const auto column = static_cast<std::size_t>((ring[i].seconds - from) / column_width);
        std::size_t low = i;
        std::size_t high = i;
        for (++i; i < end; ++i) {
            const auto next_column =
                static_cast<std::size_t>((ring[i].seconds - from) / column_width);
            if (next_column != column) break;
            if (ring[i].value < ring[low].value) low = i;
            if (ring[i].value > ring[high].value) high = i;
        }
        out.push_back(ring[std::min(low, high)]);
        if (low != high) out.push_back(ring[std::max(low, high)]);
    }
}

}  // namespace halvane
