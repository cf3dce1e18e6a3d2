#include "cli/read_command.h"

#include <memory>
#include <utility>

#include "cli/counted_sweeps.h"

namespace halvane::cli {

ReadCommand::ReadCommand(BoardLink& link, Clock& clock, Console& console,
                         std::vector<MemoryTarget> targets, Finished finished)
    : BoardCommand(link, console, std::move(finished)),
      clock_(clock),
      targets_(std::move(targets)),
      readings_(targets_.size()) {}

void ReadCommand::start() {
    fill_target_rows(targets_, table_);
    link_.start_source(
        BoardLink::Source::kSweep,
        std::make_unique<CountedSweeps>(
            table_, 0, 1, [this](const RowResult& r) { row_done(r); }, [this] { sweep_done(); }));
}

void ReadCommand::row_done(const RowResult& result) {
    const int row = result.request.row;
    if (result.outcome != RowResult::Outcome::kOk || row < 1 ||
        static_cast<std::size_t>(row) > readings_.size())
        return;
    const double seconds = static_cast<double>(clock_.now_ns()) / 1e9;
    table_.note_reading(row, result.request.variable, result.replies, seconds);
    readings_[static_cast<std::size_t>(row - 1)] = column_reading(table_, row);
}

void ReadCommand::sweep_done() {
    std::string lines;
    std::vector<std::string> silent;
    for (std::size_t i = 0; i < targets_.size(); ++i) {
        lines += reading_line(targets_[i], readings_[i]);
        if (!readings_[i]) silent.push_back(targets_[i].name);
    }
    if (!print_or_fail(lines)) return;
    if (!silent.empty()) {
        console_.error(on_port(no_reply_text(silent, targets_.size())));
        finish(ExitStatus::kFailure);
        return;
    }
    finish(ExitStatus::kSuccess);
}

}  // namespace halvane::cli
