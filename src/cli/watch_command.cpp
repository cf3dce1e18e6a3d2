#include "cli/watch_command.h"

#include <chrono>
#include <cmath>
#include <utility>

#include "cli/console_record_sink.h"
#include "cli/counted_sweeps.h"

namespace halvane::cli {

WatchCommand::WatchCommand(BoardLink& link, Clock& clock, Console& console,
                           std::vector<MemoryTarget> targets, WatchPace pace, Finished finished)
    : BoardCommand(link, console, std::move(finished)),
      clock_(clock),
      targets_(std::move(targets)),
      pace_(pace),
      readings_(targets_.size()) {}

WatchCommand::~WatchCommand() {
    if (deadline_) deadline_->disarm();
}

double WatchCommand::seconds() const {
    return static_cast<double>(clock_.now_ns()) / 1e9;
}

void WatchCommand::start() {
    fill_target_rows(targets_, table_);
    std::vector<std::string> names;
    for (int row : table_.watched_rows()) names.push_back(table_.name(row));
    recorder_ = std::make_unique<SweepRecorder>(std::make_unique<ConsoleRecordSink>(console_),
                                                "standard output", std::move(names), seconds());
    if (!recorder_->recording()) {
        end(ExitStatus::kFailure);
        return;
    }
    if (pace_.duration_seconds) {
        deadline_ = clock_.make_alarm([this] { end(ExitStatus::kSuccess); });
        deadline_->arm_at(clock_.now_ns() + std::llround(*pace_.duration_seconds * 1e9));
    }
    link_.start_source(BoardLink::Source::kSweep,
                       std::make_unique<CountedSweeps>(
                           table_, std::llround(pace_.interval_seconds * 1e9), pace_.sweeps,
                           [this](const RowResult& r) { row_done(r); }, [this] { sweep_done(); }));
}

void WatchCommand::row_done(const RowResult& result) {
    const int row = result.request.row;
    const std::size_t index = static_cast<std::size_t>(row - 1);
    if (ended() || row < 1 || index >= readings_.size()) return;
    if (result.outcome == RowResult::Outcome::kOk) {
        table_.note_reading(row, result.request.variable, result.replies, seconds());
        readings_[index] = column_reading(table_, row);
    } else {
        readings_[index] = std::nullopt;
    }
}

void WatchCommand::sweep_done() {
    if (ended()) return;
    const double now = seconds();
    if (!recorder_->record_sweep(now, std::chrono::system_clock::now(), readings_) ||
        !recorder_->flush(now)) {
        end(ExitStatus::kFailure);
        return;
    }
    readings_.assign(readings_.size(), std::nullopt);
    if (pace_.sweeps && ++sweeps_done_ >= *pace_.sweeps) end(ExitStatus::kSuccess);
}

// Never stops the sweep itself (this may run inside it): whoever runs the command closes the
// link once it has ended.
void WatchCommand::end(ExitStatus status) {
    if (ended()) return;
    if (deadline_) deadline_->disarm();
    if (recorder_ && recorder_->recording()) recorder_->close();
    // A reader that went away (a pipe to `head`) has what it wanted: that is no failure.
    if (status == ExitStatus::kFailure && console_.output_closed())
        status = ExitStatus::kSuccess;
    else if (status == ExitStatus::kFailure && recorder_)
        console_.error("standard output: " + console_.output_error());
    finish(status);
}

void WatchCommand::port_lost(const std::string& error) {
    if (recorder_ && recorder_->recording()) recorder_->close();
    BoardCommand::port_lost(error);
}

}  // namespace halvane::cli
