#include "cli/counted_sweeps.h"

#include <utility>

namespace halvane::cli {

CountedSweeps::CountedSweeps(const WatchTable& table, std::int64_t interval_ns,
                             std::optional<long long> limit, RowOperation::Done row_done,
                             LiveSweep::SweepDone sweep_done)
    : sweep_(table, interval_ns, std::move(row_done), [this] { sweep_completed(); }),
      limit_(limit),
      sweep_done_(std::move(sweep_done)) {
    // A command line has no program to wait for: at the monitor it reads through it.
    sweep_.set_reads_through_monitor(true);
}

std::unique_ptr<LineJob> CountedSweeps::next_job(std::int64_t now_ns, std::int64_t& retry_at_ns,
                                                 ReadWay way) {
    if (finished_) return nullptr;
    std::unique_ptr<LineJob> job = sweep_.next_job(now_ns, retry_at_ns, way);
    // The sweep that completed the last one has already offered the next sweep's first row:
    // it is never started.
    if (!finished_) return job;
    retry_at_ns = 0;
    return nullptr;
}

void CountedSweeps::sweep_completed() {
    ++completed_;
    if (limit_ && completed_ >= *limit_) finished_ = true;
    if (sweep_done_) sweep_done_();
}

}  // namespace halvane::cli
