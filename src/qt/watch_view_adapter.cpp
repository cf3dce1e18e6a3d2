#include "qt/watch_view_adapter.h"

#include <chrono>
#include <cmath>

#include "qt/live_plot_window.h"
#include "qt/watch_grid.h"
#include "watch/change_highlight.h"

namespace halvane::qt {

namespace {
// Twenty frames a second, and the highlight in tenths: a fade of a second repaints its cell ten
// times, and a value that changes with every sweep stays lit without repainting at all.
constexpr int kFrameMs = 50;
constexpr double kStrengthSteps = 10;

double steady_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

WatchViewAdapter::WatchViewAdapter(WatchGrid& grid, LivePlotWindow& plot)
    : grid_(grid), plot_(plot) {
    frames_.setInterval(kFrameMs);
    connect(&frames_, &QTimer::timeout, this, &WatchViewAdapter::fade);
}

void WatchViewAdapter::show_change(int row) {
    changed_at_[row] = steady_seconds();
    grid_.set_hex_highlight(row, 1.0);
    if (!frames_.isActive()) frames_.start();
}

void WatchViewAdapter::show_read_failed(int row, bool failed) {
    grid_.set_row_greyed(row, failed);
}

void WatchViewAdapter::add_sample(int row, double seconds, double value) {
    plot_.add_sample(row, seconds, value);
}

void WatchViewAdapter::fade() {
    const double now = steady_seconds();
    for (auto it = changed_at_.begin(); it != changed_at_.end();) {
        const double strength =
            std::ceil(highlight_strength(it->second, now) * kStrengthSteps) / kStrengthSteps;
        grid_.set_hex_highlight(it->first, strength);
        it = strength > 0 ? std::next(it) : changed_at_.erase(it);
    }
    if (changed_at_.empty()) frames_.stop();
}

}  // namespace halvane::qt
