#pragma once

namespace halvane {

// What the live watch shows beside the cells' texts: a Hex Value that just changed (lit up,
// fading within a second), a row whose last read failed (greyed), and every value read, for the
// plot.
class WatchView {
  public:
    virtual ~WatchView() = default;
    virtual void show_change(int row) = 0;
    virtual void show_read_failed(int row, bool failed) = 0;
    // The unsigned value of `row` read at `seconds` of the watch's clock.
    virtual void add_sample(int row, double seconds, double value) = 0;
};

}  // namespace halvane
