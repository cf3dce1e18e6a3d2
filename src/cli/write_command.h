#pragma once

#include <string>
#include <vector>

#include "cli/board_command.h"
#include "cli/memory_target.h"
#include "grid/row_operation.h"
#include "grid/watch_table.h"
#include "platform/clock.h"

namespace halvane::cli {

// write: each value written and read back as a double-click on the grid's Hex Value does, in
// order, with the read-back line printed as each one ends. It fails when a read-back differs
// from the value written or got no reply.
class WriteCommand : public BoardCommand {
  public:
    // `values` holds the digits to write to each target, checked for its width.
    WriteCommand(BoardLink& link, Clock& clock, Console& console, std::vector<MemoryTarget> targets,
                 std::vector<std::string> values, Finished finished);

    void start() override;
    void interrupt() override { finish(ExitStatus::kInterrupted); }

  private:
    void row_done(const RowResult& result);
    void all_done();

    Clock& clock_;
    std::vector<MemoryTarget> targets_;
    std::vector<std::string> values_;
    WatchTable table_;
    std::size_t done_ = 0;
    std::vector<std::string> silent_;
    bool differed_ = false;
};

}  // namespace halvane::cli
