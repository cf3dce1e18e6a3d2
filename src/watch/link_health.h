#pragma once

#include <span>
#include <string>
#include <vector>

namespace halvane {

// How far back the sweep rate looks: long enough to be steady at 0.5 sweeps a second (the
// slowest interval), short enough that a stalled line shows within a few seconds.
inline constexpr double kSweepRateWindowSeconds = 5.0;

// The sweeps a second over the last kSweepRateWindowSeconds before `now`, from the times at
// which sweeps completed (oldest first). With two or more sweeps in the window it is the
// number of intervals between them over their span, stretched by the time since the last one
// once that is longer than a usual interval, so the rate falls while the line stalls.
double sweeps_per_second(std::span<const double> completed_at, double now);

// The live refresh's link health, the figures shown beside the grid's title:
// "9.8 sweeps/s, 0 time-outs" ("1 time-out" for one).
std::string link_health_text(double sweeps_per_second, long long timeouts);

// How the sweep behind the figures is set up, for the figures' tooltip.
struct SweepSetup {
    double interval_seconds = 0;  // from the start of one sweep to the next; 0: at once
    int rows = 0;                 // the rows each sweep reads
    bool block_reads = false;     // the responder is read in blocks, not byte by byte
    long long refused = 0;        // block replies that failed their check
    long line_rate = 9600;        // the line's rate in baud
};

// The figures' tooltip: what they count, then one line for each fact of the setup.
std::string link_health_tooltip(const SweepSetup& setup);

// The completion times of recent sweeps, the old ones dropped as new ones arrive.
class RecentSweeps {
  public:
    void completed(double at);
    void clear() { times_.clear(); }
    double per_second(double now) const;

  private:
    std::vector<double> times_;  // a few hundred at most
};

}  // namespace halvane
