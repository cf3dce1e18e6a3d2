#pragma once

#include <cstddef>
#include <vector>

#include "watch/sample_ring.h"

namespace halvane {

// The points a plot draws of `ring` between `from` and `to` seconds, oldest first, into `out`
// (replacing what it held).
//
// While there are no more than two per column (`columns` is the plot's width in pixels), they
// are the samples themselves. Beyond that, the span is cut into `columns` equal slices and each
// slice gives its lowest and its highest sample, in the order they were read: the drawn line
// looks the same, every spike included, and drawing costs the same at any rate or window.
void plot_points(const SampleRing& ring, double from, double to, std::size_t columns,
                 std::vector<Sample>& out);

}  // namespace halvane
