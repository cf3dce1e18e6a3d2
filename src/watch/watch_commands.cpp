#include <chrono>
#include <cmath>
#include <utility>

#include "app/main_window.h"
#include "grid/grid_rules.h"
#include "grid/row_operation.h"
#include "text/hex_digits.h"
#include "watch/live_sweep.h"
#include "watch/record_sink.h"

namespace halvane {

namespace {
// The live figures in the status line and the recording's flush: twice a second.
constexpr std::int64_t kWatchTickNs = 500 * kNanosPerMilli;

// The unsigned value of a Hex Value as the board gives it (two digits, four for a word).
std::optional<std::uint32_t> hex_number(std::string_view hex) {
    if (hex.empty() || hex.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : hex) {
        const int digit = hex_digit_value(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}
}  // namespace

double Tamrin::watch_seconds() const {
    return static_cast<double>(p_.clock.now_ns()) / 1e9;
}

std::string Tamrin::hex_value_tooltip(int row) const {
    return watched_.age_text(row, watch_seconds());
}

void Tamrin::watch_liverefresh_Click(bool on) {
    if (closing_) return;
    live_refresh_ = on;
    if (on) {
        recent_sweeps_.clear();
        sweep_timeouts_ = 0;
    }
    update_sweep();
}

void Tamrin::watch_refreshinterval_Click(double interval_seconds) {
    if (closing_) return;
    sweep_interval_ns_ = std::llround(std::max(0.0, interval_seconds) * 1e9);
    // The next sweep keeps the new pace from its start.
    if (sweeping()) link_.stop_source(BoardLink::Source::kSweep);
    update_sweep();
}

// The sweep runs while Live Refresh is on and a program runs, and never during a download.
void Tamrin::update_sweep() {
    const bool wanted =
        live_refresh_ && flag_ == 1 && !closing_ && !link_.downloading() && p_.mscomm1.is_open();
    if (wanted && !sweeping()) {
        sweep_readings_.clear();
        link_.start_source(
            BoardLink::Source::kSweep,
            std::make_unique<LiveSweep>(
                p_.grid, sweep_interval_ns_, [this](const RowResult& r) { sweep_row_done(r); },
                [this] { sweep_completed(); }));
    } else if (!wanted && sweeping()) {
        link_.stop_source(BoardLink::Source::kSweep);
    }
    watch_tick();
}

// Every read's result, whoever asked for it, reaches the marks and the plot.
void Tamrin::note_read(const RowResult& result) {
    const int row = result.request.row;
    if (result.outcome == RowResult::Outcome::kTimedOut) {
        if (watched_.read_failed(row) && p_.watch_view) p_.watch_view->show_read_failed(row, true);
        return;
    }
    if (result.outcome != RowResult::Outcome::kOk) return;
    const double now = watch_seconds();
    const WatchedRows::GoodRead read = watched_.read_ok(row, result.value, now);
    if (p_.watch_view == nullptr) return;
    if (read.recovered) p_.watch_view->show_read_failed(row, false);
    if (read.changed) p_.watch_view->show_change(row);
    if (const auto value = hex_number(result.value))
        p_.watch_view->add_sample(row, now, static_cast<double>(*value));
}

void Tamrin::sweep_row_done(const RowResult& result) {
    if (closing_) return;
    const int row = result.request.row;
    switch (result.outcome) {
        case RowResult::Outcome::kCancelled:
            return;
        case RowResult::Outcome::kPortFailed:
            report_port_closed();
            return;
        case RowResult::Outcome::kTimedOut:
            // The sweep goes on with the next row; the time-out shows in the live figures.
            ++sweep_timeouts_;
            sweep_readings_[row] = std::nullopt;
            break;
        case RowResult::Outcome::kOk:
            show_read_value(row, result.value);
            sweep_readings_[row] = RowReading{result.value, hex_number(result.value).value_or(0)};
            break;
    }
    note_read(result);
}

void Tamrin::sweep_completed() {
    const double now = watch_seconds();
    recent_sweeps_.completed(now);
    if (recorder_) {
        std::vector<std::optional<RowReading>> readings;
        readings.reserve(recorded_rows_.size());
        for (const int row : recorded_rows_) {
            const auto read = sweep_readings_.find(row);
            readings.push_back(read == sweep_readings_.end() ? std::nullopt : read->second);
        }
        if (!recorder_->record_sweep(now, std::chrono::system_clock::now(), readings))
            stop_recording();
    }
    sweep_readings_.clear();
}

// Twice a second while the sweep or a recording runs; no wake-up otherwise.
void Tamrin::watch_tick() {
    if (closing_) return;
    const double now = watch_seconds();
    status_.set_suffix(sweeping()
                           ? link_health_text(recent_sweeps_.per_second(now), sweep_timeouts_)
                           : std::string());
    if (recorder_ && !recorder_->flush_if_due(now)) stop_recording();
    if (!watch_ticker_) watch_ticker_ = p_.clock.make_alarm([this] { watch_tick(); });
    if (sweeping() || recorder_) {
        watch_ticker_->arm_at(p_.clock.now_ns() + kWatchTickNs);
    } else {
        watch_ticker_->disarm();
    }
}

void Tamrin::watch_recordtofile_Click() {
    if (closing_ || recorder_) return;
    FileDialogSettings settings;
    settings.filter = "Recording (*.csv)|*.csv";
    settings.default_extension = ".csv";
    settings.initial_directory = initial_directory_;
    settings.confirm_overwrite = true;
    const std::string path = p_.dialog.show_save(settings);
    if (closing_ || path.empty()) return;

    // The columns are the rows the sweep reads now, in row order.
    std::vector<std::string> names;
    recorded_rows_.clear();
    for (int row = 1; row < GridView::kRows; ++row) {
        if (!request_address(p_.grid.text(row, kAddressCol))) continue;
        recorded_rows_.push_back(row);
        names.push_back(
            watch_row_name(p_.grid.text(row, kDescriptionCol), p_.grid.text(row, kAddressCol)));
    }
    OpenedRecordFile file = open_record_file(path);
    if (!file.sink) {
        p_.message_box.show("The recording could not be started in " + path + ".\n" +
                            file.error_text + ".");
        return;
    }
    recorder_ = std::make_unique<SweepRecorder>(std::move(file.sink), path, std::move(names),
                                                watch_seconds());
    if (!recorder_->recording()) {
        const std::string failure = recorder_->failure();
        recorder_.reset();
        p_.message_box.show(failure);
        return;
    }
    if (on_recording) on_recording(true);
    watch_tick();
}

void Tamrin::watch_stoprecording_Click() {
    stop_recording();
}

// Stop Recording, a write that failed, the window closing or the port failing: the file is
// closed, and a failure is told.
void Tamrin::stop_recording() {
    if (!recorder_) return;
    const bool written = recorder_->recording() ? recorder_->close() : false;
    const std::string failure = recorder_->failure();
    recorder_.reset();
    if (on_recording) on_recording(false);
    if (!written && !closing_ && !failure.empty()) p_.message_box.show(failure);
    watch_tick();
}

}  // namespace halvane
