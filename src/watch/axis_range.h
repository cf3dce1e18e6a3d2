#pragma once

namespace halvane {

// A value axis that holds `low` to `high` with round tick marks: 1, 2 or 5 times a power of
// ten apart, four to twelve intervals in all. An empty or one-value range gets a width of 2.
struct AxisRange {
    double min = 0;
    double max = 1;
    int ticks = 2;  // tick marks, both ends included
};

AxisRange nice_axis_range(double low, double high);

}  // namespace halvane
