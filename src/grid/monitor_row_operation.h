#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "grid/row_operation.h"
#include "link/monitor_exchange.h"

namespace halvane {

// The cell operation of grid rows through the board's monitor, while no program runs: a write
// types each byte at "mm ADDR"'s sub-prompt and ends it with CR; a read is one "md FIRST LAST"
// for rows in whole 16-byte lines. md shows whole lines, which in the register block would read
// the SCI's and SPI's status and data registers and change the chip's state, so a byte in
// 1000-103F (or one past FFFF) is read alone with "mm ADDR", closed with Ctrl-X. Each row is told
// as RowOperation tells it: the digits of each byte as the monitor showed them, or the address
// that got no answer.
class MonitorRowOperation : public MonitorExchange {
  public:
    // The most dump lines one md shows, so that the user's own operations are not held long.
    static constexpr std::size_t kMaxDumpLines = 16;

    MonitorRowOperation(std::vector<RowRequest> rows, RowOperation::Done done);

    void start(Line& line) override;
    bool withholds_replies() const override { return rows_.front().request.quiet; }

  protected:
    MonitorStep first_step() override;
    std::optional<MonitorStep> step_done(Line& line, const MonitorAnswer& answer) override;
    void ended_early(End end, std::string_view port_error) override;

  private:
    struct Planned {
        enum class Kind { kOpenModify, kStoreValue, kDump, kModifyRead, kCloseModify };
        Kind kind = Kind::kDump;
        MonitorStep step;
        std::uint16_t address = 0;
        std::size_t row = 0;  // kModifyRead: the row whose byte it reads
    };
    using Row = RowInFlight;

    void plan_write();
    void plan_reads();
    void take_dump(const MonitorAnswer& answer);
    void report(Row& row, RowResult::Outcome outcome, std::uint16_t failed_address = 0,
                std::string_view port_error = {});

    std::vector<Row> rows_;
    RowOperation::Done done_;
    std::vector<Planned> plan_;
    std::size_t next_ = 0;
};

// Whether the byte at `address` must be read alone with mm (a register, or past FFFF).
bool read_alone_through_monitor(std::uint32_t address);

// The operation that reads the first of `rows` through the monitor, with the rows after it
// whose dump lines join its own (the same line, or the next), up to kMaxDumpLines. `taken` says
// how many of `rows` it reads; none when `rows` is empty.
std::unique_ptr<MonitorRowOperation> read_first_rows_through_monitor(
    std::span<const RowRequest> rows, RowOperation::Done done, std::size_t& taken);

// A user's cell operation: through the monitor when no program runs, else through the
// responder, as the link knows the board when the operation's turn comes.
std::unique_ptr<LineJob> make_cell_operation(RowRequest request, RowOperation::Done done);

}  // namespace halvane
