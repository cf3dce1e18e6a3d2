#include "watch/live_sweep.h"

#include <algorithm>
#include <utility>

namespace halvane {

LiveSweep::LiveSweep(const WatchTable& table, std::int64_t interval_ns, RowOperation::Done row_done,
                     SweepDone sweep_done)
    : table_(table),
      interval_ns_(interval_ns),
      row_done_(std::move(row_done)),
      sweep_done_(std::move(sweep_done)) {}

std::unique_ptr<LineJob> LiveSweep::next_job(std::int64_t now_ns, std::int64_t& retry_at_ns) {
    if (!started_) {
        // The next sweep starts one interval after the last one started, or at once when that
        // has passed; one that found nothing waits a little, so an empty grid costs nothing.
        const std::int64_t pause =
            rows_read_ == 0 ? std::max(interval_ns_, kEmptySweepPauseNs) : interval_ns_;
        if (ever_started_ && now_ns < started_at_ns_ + pause) {
            retry_at_ns = started_at_ns_ + pause;
            return nullptr;
        }
        started_ = true;
        ever_started_ = true;
        started_at_ns_ = now_ns;
        rows_read_ = 0;
        next_row_ = 1;
    }
    while (next_row_ < WatchTable::kRows) {
        const int row = next_row_++;
        const std::optional<std::uint16_t> address = table_.address(row);
        if (!address) continue;
        ++rows_read_;
        RowRequest request{row, table_.variable(row), *address, table_.word(row), std::nullopt,
                           true};
        return std::make_unique<RowOperation>(std::move(request), row_done_);
    }
    started_ = false;
    if (rows_read_ > 0 && sweep_done_) sweep_done_();
    // The next sweep, at once or when its interval comes (an empty one always waits).
    return next_job(now_ns, retry_at_ns);
}

}  // namespace halvane
