#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/board_command.h"
#include "cli/memory_target.h"
#include "grid/row_operation.h"
#include "grid/watch_table.h"
#include "platform/clock.h"
#include "watch/sweep_recorder.h"

namespace halvane::cli {

// When a watch sweeps and when it stops.
struct WatchPace {
    double interval_seconds = 0;  // from the start of one sweep to the start of the next
    std::optional<double> duration_seconds;
    std::optional<long long> sweeps;
};

// watch: Live Refresh's sweeps over the targets, each completed sweep a line of Watch > Record
// to File on the output, written as it completes. It ends with success when the duration has
// passed, the sweeps are done or on Ctrl-C; a sweep under way then is left out, so the output
// ends with a whole line.
class WatchCommand : public BoardCommand {
  public:
    WatchCommand(BoardLink& link, Clock& clock, Console& console, std::vector<MemoryTarget> targets,
                 WatchPace pace, Finished finished);
    ~WatchCommand() override;

    void start() override;
    void interrupt() override { end(ExitStatus::kSuccess); }

  private:
    void row_done(const RowResult& result);
    void sweep_done();
    void end(ExitStatus status);
    void port_lost(const std::string& error) override;
    double seconds() const;

    Clock& clock_;
    std::vector<MemoryTarget> targets_;
    WatchPace pace_;
    WatchTable table_;
    std::unique_ptr<SweepRecorder> recorder_;
    // Row by row (row 1 first): what the sweep under way has read; empty where it got no reply.
    std::vector<std::optional<ColumnReading>> readings_;
    long long sweeps_done_ = 0;
    std::unique_ptr<Alarm> deadline_;
};

}  // namespace halvane::cli
