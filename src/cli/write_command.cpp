#include "cli/write_command.h"

#include <memory>
#include <utility>

#include "grid/grid_rules.h"
#include "grid/row_operation.h"

namespace halvane::cli {

WriteCommand::WriteCommand(BoardLink& link, Clock& clock, Console& console,
                           std::vector<MemoryTarget> targets, std::vector<std::string> values,
                           Finished finished)
    : BoardCommand(link, console, std::move(finished)),
      clock_(clock),
      targets_(std::move(targets)),
      values_(std::move(values)) {}

void WriteCommand::start() {
    fill_target_rows(targets_, table_);
    for (std::size_t i = 0; i < targets_.size() && i < values_.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        RowRequest request{
            row, table_.variable(row), targets_[i].address, targets_[i].word, values_[i], false};
        link_.queue_user_job(std::make_unique<RowOperation>(
            std::move(request), [this](const RowResult& r) { row_done(r); }));
    }
}

void WriteCommand::row_done(const RowResult& result) {
    // A cancel or a lost port: the port's listener ends the command.
    if (result.outcome != RowResult::Outcome::kOk &&
        result.outcome != RowResult::Outcome::kTimedOut)
        return;
    const int row = result.request.row;
    const std::size_t index = static_cast<std::size_t>(row - 1);
    if (row < 1 || index >= targets_.size() || ended()) return;
    const MemoryTarget& target = targets_[index];
    std::optional<ColumnReading> reading;
    if (result.outcome == RowResult::Outcome::kOk) {
        table_.note_reading(row, result.request.variable, result.replies,
                            static_cast<double>(clock_.now_ns()) / 1e9);
        reading = column_reading(table_, row);
    } else {
        silent_.push_back(target.name);
    }
    if (!print_or_fail(reading_line(target, reading))) return;
    if (reading && to_upper_ascii(reading->hex_text) != values_[index]) {
        console_.error(on_port(target.name + ": wrote " + values_[index] + ", read back " +
                               reading->hex_text));
        differed_ = true;
    }
    if (++done_ == targets_.size()) all_done();
}

void WriteCommand::all_done() {
    if (!silent_.empty()) console_.error(on_port(no_reply_text(silent_, targets_.size())));
    finish(silent_.empty() && !differed_ ? ExitStatus::kSuccess : ExitStatus::kFailure);
}

}  // namespace halvane::cli
