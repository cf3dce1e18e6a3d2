#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "grid/row_operation.h"
#include "grid/watch_table.h"
#include "link/line_job.h"

namespace halvane {

// Live Refresh: reads every row whose Address is four hexadecimal digits, in row order, each
// exactly as Get All reads it, over and over, one row at a time so that the user's own
// operations go in between. Other rows are skipped without a word; a row that gets no reply
// does not stop the others. The current cell never moves, and the receive log keeps what it
// shows: the sweep's replies stay out of it.
//
// `interval_ns` is the time from the start of one sweep to the start of the next (0: as fast as
// the line allows); a sweep that takes longer starts the next one at once.
class LiveSweep : public JobSource {
  public:
    // A sweep that found no row to read waits this long before it looks again.
    static constexpr std::int64_t kEmptySweepPauseNs = 200'000'000;

    using SweepDone = std::function<void()>;
    LiveSweep(const WatchTable& table, std::int64_t interval_ns, RowOperation::Done row_done,
              SweepDone sweep_done);

    std::unique_ptr<LineJob> next_job(std::int64_t now_ns, std::int64_t& retry_at_ns,
                                      ReadWay way) override;
    bool finished() const override { return false; }
    bool has_job(std::int64_t now_ns) const override;

    void set_interval(std::int64_t interval_ns) { interval_ns_ = interval_ns; }
    // Whether the sweep reads through the monitor's md and mm while no program runs; otherwise
    // (the window's Live Refresh) it pauses then and goes on when the program runs again.
    void set_reads_through_monitor(bool reads) { reads_through_monitor_ = reads; }

  private:
    // The pause before the next sweep starts, counted from the last one's start.
    std::int64_t pause() const;

    const WatchTable& table_;
    std::int64_t interval_ns_;
    RowOperation::Done row_done_;
    SweepDone sweep_done_;
    int next_row_ = 1;      // where the sweep goes on; 1 before a sweep starts
    bool started_ = false;  // a sweep is under way
    bool ever_started_ = false;
    int rows_read_ = 0;
    std::int64_t started_at_ns_ = 0;
    bool reads_through_monitor_ = false;
};

}  // namespace halvane
