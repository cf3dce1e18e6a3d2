#include "watch/live_watch.h"

#include <chrono>
#include <cmath>
#include <utility>

#include "grid/cell_commands.h"
#include "watch/live_sweep.h"
#include "watch/record_sink.h"
#include "watch/value_age.h"

namespace halvane {

namespace {
// The live figures and the recording's flush: twice a second.
constexpr std::int64_t kTickIntervalNs = 500 * kNanosPerMilli;
}  // namespace

LiveWatch::LiveWatch(SessionParts parts)
    : parts_(parts), samples_(parts.table), ticker_(parts.clock.make_alarm([this] { tick(); })) {}

void LiveWatch::port_changed(const BoardLink::PortEvent& event) {
    if (!event.switched) stop_recording();
    update();
}

LiveWatch::~LiveWatch() = default;

double LiveWatch::seconds() const {
    return static_cast<double>(parts_.clock.now_ns()) / 1e9;
}

std::string LiveWatch::age_text(int row) const {
    const RowReading& reading = parts_.table.reading(row);
    return value_age_text(reading.good_at, reading.failed, seconds());
}

void LiveWatch::set_live_refresh(bool on) {
    live_refresh_ = on;
    if (on) {
        recent_sweeps_.clear();
        timeouts_ = 0;
    }
    update();
}

void LiveWatch::set_interval(double interval_seconds) {
    interval_ns_ = std::llround(std::max(0.0, interval_seconds) * 1e9);
    // The next sweep keeps the new pace from its start.
    if (sweeping()) parts_.link.stop_source(BoardLink::Source::kSweep);
    update();
}

void LiveWatch::update() {
    // A stopped program changes nothing: Live Refresh waits until it goes on.
    const bool wanted = live_refresh_ && parts_.link.gate_open() && !parts_.link.downloading() &&
                        parts_.link.port_open() &&
                        parts_.link.board_state() != BoardState::kStopped;
    if (wanted && !sweeping()) {
        sweep_readings_.clear();
        parts_.link.start_source(
            BoardLink::Source::kSweep,
            std::make_unique<LiveSweep>(
                parts_.table, interval_ns_, [this](const RowResult& r) { sweep_row_done(r); },
                [this] { sweep_completed(); }));
    } else if (!wanted && sweeping()) {
        parts_.link.stop_source(BoardLink::Source::kSweep);
    }
    tick();
}

void LiveWatch::sweep_row_done(const RowResult& result) {
    if (!finish_row(result, parts_.table, parts_.port, parts_.status, seconds())) return;
    const int row = result.request.row;
    const VariableId variable = result.request.variable;
    // The sweep goes on with the next row; a time-out shows in the live figures.
    const bool replied = result.outcome == RowResult::Outcome::kOk;
    if (!replied) ++timeouts_;
    if (parts_.table.variable(row) != variable) return;
    if (replied) {
        const RowReading& reading = parts_.table.reading(row);
        sweep_readings_[variable] = ColumnReading{reading.digits, reading.value.value_or(0)};
    } else {
        sweep_readings_[variable] = std::nullopt;
    }
}

void LiveWatch::sweep_completed() {
    const double now = seconds();
    recent_sweeps_.completed(now);
    if (recorder_) {
        // A column whose variable is gone stays empty.
        std::vector<std::optional<ColumnReading>> readings;
        readings.reserve(recorded_.size());
        for (const VariableId variable : recorded_) {
            const auto read = sweep_readings_.find(variable);
            readings.push_back(read == sweep_readings_.end() ? std::nullopt : read->second);
        }
        if (!recorder_->record_sweep(now, std::chrono::system_clock::now(), readings))
            stop_recording();
    }
    sweep_readings_.clear();
}

// Twice a second while the sweep or a recording runs; no wake-up otherwise.
void LiveWatch::tick() {
    const double now = seconds();
    renew_figures(now);
    if (recorder_ && !recorder_->flush_if_due(now)) stop_recording();
    if (sweeping() || recorder_) {
        ticker_->arm_at(parts_.clock.now_ns() + kTickIntervalNs);
    } else {
        ticker_->disarm();
    }
}

void LiveWatch::renew_figures(double now) {
    std::string figures;
    std::string tooltip;
    if (sweeping()) {
        figures = link_health_text(recent_sweeps_.per_second(now), timeouts_);
        const SweepSetup setup{
            static_cast<double>(interval_ns_) / 1e9,
            static_cast<int>(parts_.table.watched_rows().size()), parts_.link.block_reads(),
            parts_.link.block_read_probe().refused_replies(), parts_.link.line_rate()};
        tooltip = link_health_tooltip(setup);
    }
    if (figures == figures_ && tooltip == figures_tooltip_) return;
    figures_ = std::move(figures);
    figures_tooltip_ = std::move(tooltip);
    figures_changed.notify();
}

void LiveWatch::start_recording() {
    if (recorder_) return;
    const std::optional<std::string> path =
        parts_.dialogs.choose_file_to_save("Recording (*.csv)|*.csv", ".csv");
    if (!path) return;

    // The columns are the variables the sweep reads now, in row order.
    std::vector<std::string> names;
    recorded_.clear();
    for (const int row : parts_.table.watched_rows()) {
        recorded_.push_back(parts_.table.variable(row));
        names.push_back(parts_.table.name(row));
    }
    OpenedRecordFile file = open_record_file(*path);
    if (!file.sink) {
        parts_.dialogs.tell("The recording could not be started in " + *path + ".\n" +
                            file.error_text + ".");
        return;
    }
    recorder_ =
        std::make_unique<SweepRecorder>(std::move(file.sink), *path, std::move(names), seconds());
    if (!recorder_->recording()) {
        const std::string failure = recorder_->failure();
        recorder_.reset();
        parts_.dialogs.tell(failure);
        return;
    }
    recording_changed.notify(true);
    tick();
}

// Stop Recording, a write that failed, the window closing or the port failing: the file is
// closed, and a failure is told.
void LiveWatch::stop_recording() {
    if (!recorder_) return;
    const bool written = recorder_->recording() ? recorder_->close() : false;
    const std::string failure = recorder_->failure();
    recorder_.reset();
    recording_changed.notify(false);
    if (!written && !failure.empty()) parts_.dialogs.tell_later(failure);
    tick();
}

void LiveWatch::close() {
    stop_recording();
    ticker_->disarm();
}

}  // namespace halvane
