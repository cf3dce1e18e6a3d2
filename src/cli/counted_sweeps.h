#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "grid/row_operation.h"
#include "grid/watch_table.h"
#include "link/line_job.h"
#include "watch/live_sweep.h"

namespace halvane::cli {

// Live Refresh's sweep of every row of `table`, ending after `limit` sweeps (never without
// one). The sweeps are the live watch's own, so they read the rows just as the window does.
class CountedSweeps : public JobSource {
  public:
    CountedSweeps(const WatchTable& table, std::int64_t interval_ns, std::optional<long long> limit,
                  RowOperation::Done row_done, LiveSweep::SweepDone sweep_done);

    std::unique_ptr<LineJob> next_job(std::int64_t now_ns, std::int64_t& retry_at_ns,
                                      ReadWay way) override;
    // True once the last sweep has completed; the link then lets the source go.
    bool finished() const override { return finished_; }
    bool has_job(std::int64_t now_ns) const override {
        return !finished_ && sweep_.has_job(now_ns);
    }

  private:
    void sweep_completed();

    LiveSweep sweep_;
    std::optional<long long> limit_;
    long long completed_ = 0;
    LiveSweep::SweepDone sweep_done_;
    bool finished_ = false;
};

}  // namespace halvane::cli
