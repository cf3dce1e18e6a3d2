#include "qt/watch_grid_binding.h"

#include <chrono>
#include <cmath>

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

WatchGridBinding::WatchGridBinding(WatchTable& table, WatchGrid& grid)
    : table_(table), grid_(grid) {
    for (int row = 0; row < WatchTable::kRows; ++row) {
        for (int col = 0; col < WatchTable::kCols; ++col)
            grid_.set_text(row, col, table_.text(row, col));
    }
    grid_.set_current(table_.row(), table_.col());
    frames_.setInterval(kFrameMs);
    connect(&frames_, &QTimer::timeout, this, &WatchGridBinding::fade);
    told_.push_back(
        grid_.current_moved.subscribe([this](int row, int col) { table_.select_cell(row, col); }));
    told_.push_back(
        table_.cell_changed.subscribe([this](int row, int col) { cell_changed(row, col); }));
    told_.push_back(
        table_.current_cell_moved.subscribe([this](bool by_user) { current_cell_moved(by_user); }));
    told_.push_back(table_.variable_replaced.subscribe(
        [this](int row, VariableId, VariableId) { variable_replaced(row); }));
    told_.push_back(table_.reading_noted.subscribe(
        [this](const ReadingNotice& notice) { reading_noted(notice); }));
}

WatchGridBinding::~WatchGridBinding() = default;

void WatchGridBinding::cell_changed(int row, int col) {
    grid_.set_text(row, col, table_.text(row, col));
}

void WatchGridBinding::current_cell_moved(bool by_user) {
    if (!by_user) grid_.set_current(table_.row(), table_.col());
}

void WatchGridBinding::variable_replaced(int row) {
    grid_.set_row_greyed(row, false);
    changed_at_.erase(row);
    grid_.set_hex_highlight(row, 0);
}

void WatchGridBinding::reading_noted(const ReadingNotice& notice) {
    if (notice.newly_failed || notice.recovered) grid_.set_row_greyed(notice.row, notice.failed);
    if (!notice.changed) return;
    changed_at_[notice.row] = steady_seconds();
    grid_.set_hex_highlight(notice.row, 1.0);
    if (!frames_.isActive()) frames_.start();
}

void WatchGridBinding::fade() {
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
