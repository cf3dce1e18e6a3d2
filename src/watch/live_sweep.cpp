#include "watch/live_sweep.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "grid/block_cover.h"
#include "grid/monitor_row_operation.h"

namespace halvane {

// One that found nothing waits a little, so an empty grid costs nothing.
std::int64_t LiveSweep::pause() const {
    return rows_read_ == 0 ? std::max(interval_ns_, kEmptySweepPauseNs) : interval_ns_;
}

bool LiveSweep::has_job(std::int64_t now_ns) const {
    if (table_.watched_rows().empty()) return false;
    return started_ || !ever_started_ || now_ns >= started_at_ns_ + pause();
}

LiveSweep::LiveSweep(const WatchTable& table, std::int64_t interval_ns, RowOperation::Done row_done,
                     SweepDone sweep_done)
    : table_(table),
      interval_ns_(interval_ns),
      row_done_(std::move(row_done)),
      sweep_done_(std::move(sweep_done)) {}

std::unique_ptr<LineJob> LiveSweep::next_job(std::int64_t now_ns, std::int64_t& retry_at_ns,
                                             ReadWay way) {
    // Paused while no program runs: the link asks again when the way changes.
    if (way == ReadWay::kMonitor && !reads_through_monitor_) return nullptr;
    const bool together = way != ReadWay::kBytes;
    if (!started_) {
        // The next sweep starts one interval after the last one started, or at once when that
        // has passed.
        if (ever_started_ && now_ns < started_at_ns_ + pause()) {
            retry_at_ns = started_at_ns_ + pause();
            return nullptr;
        }
        started_ = true;
        ever_started_ = true;
        started_at_ns_ = now_ns;
        rows_read_ = 0;
        next_row_ = 1;
    }
    // The rows still to read in this sweep (only the next one byte by byte).
    std::vector<RowRequest> rows;
    for (int row = next_row_; row < WatchTable::kRows; ++row) {
        const std::optional<std::uint16_t> address = table_.address(row);
        if (!address) continue;
        rows.push_back({row, table_.variable(row), *address, table_.word(row), std::nullopt, true});
        if (!together) break;
    }
    std::size_t taken = 0;
    std::unique_ptr<LineJob> job =
        way == ReadWay::kMonitor
            ? std::unique_ptr<LineJob>(read_first_rows_through_monitor(rows, row_done_, taken))
            : std::unique_ptr<LineJob>(
                  read_first_rows(rows, way == ReadWay::kBlocks, row_done_, taken));
    if (job) {
        rows_read_ += static_cast<int>(taken);
        next_row_ = rows[taken - 1].row + 1;
        return job;
    }
    started_ = false;
    if (rows_read_ > 0 && sweep_done_) sweep_done_();
    // The next sweep, at once or when its interval comes (an empty one always waits).
    return next_job(now_ns, retry_at_ns, way);
}

}  // namespace halvane
