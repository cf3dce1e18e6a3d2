#include "watch/watched_rows.h"

#include "watch/change_highlight.h"
#include "watch/value_age.h"

namespace halvane {

WatchedRows::Row* WatchedRows::find(int row) {
    return row >= 0 && row < GridView::kRows ? &rows_[static_cast<std::size_t>(row)] : nullptr;
}

WatchedRows::GoodRead WatchedRows::read_ok(int row, const std::string& hex, double now) {
    Row* r = find(row);
    if (r == nullptr) return {};
    const GoodRead read{is_value_change(r->hex, hex), r->failed};
    r->hex = hex;
    r->good_at = now;
    r->failed = false;
    return read;
}

bool WatchedRows::read_failed(int row) {
    Row* r = find(row);
    if (r == nullptr || r->failed) return false;
    r->failed = true;
    return true;
}

std::string WatchedRows::age_text(int row, double now) const {
    if (row < 0 || row >= GridView::kRows) return {};
    const Row& r = rows_[static_cast<std::size_t>(row)];
    return value_age_text(r.good_at, r.failed, now);
}

}  // namespace halvane
