#pragma once

#include <optional>
#include <vector>

#include "cli/board_command.h"
#include "cli/memory_target.h"
#include "grid/row_operation.h"
#include "grid/watch_table.h"
#include "platform/clock.h"

namespace halvane::cli {

// read: one sweep over the targets, then a line per target in their order. A target without a
// reply has its values empty, and the command fails.
class ReadCommand : public BoardCommand {
  public:
    ReadCommand(BoardLink& link, Clock& clock, Console& console, std::vector<MemoryTarget> targets,
                Finished finished);

    void start() override;
    void interrupt() override { finish(ExitStatus::kInterrupted); }

  private:
    void row_done(const RowResult& result);
    void sweep_done();

    Clock& clock_;
    std::vector<MemoryTarget> targets_;
    WatchTable table_;
    // Row by row (row 1 first): what the sweep read; empty where the read got no reply.
    std::vector<std::optional<ColumnReading>> readings_;
};

}  // namespace halvane::cli
