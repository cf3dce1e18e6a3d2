#include "watch/sweep_recorder.h"

#include <algorithm>

#include "varmap/map_format.h"
#include "watch/fixed_point_text.h"
#include "watch/wall_clock_text.h"

namespace halvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// A value field: as it is, unless it holds what would break the line into other fields.
std::string value_field(std::string_view text) {
    if (text.find_first_of("\",\r\n") == std::string_view::npos) return std::string(text);
    return quote_map_field(text);
}

}  // namespace

SweepRecorder::SweepRecorder(std::unique_ptr<RecordSink> sink, std::string file_name,
                             std::vector<std::string> row_names, double started_at)
    : sink_(std::move(sink)),
      file_name_(std::move(file_name)),
      rows_(row_names.size()),
      started_at_(started_at),
      last_write_at_(started_at) {
    pending_ = "seconds,time";
    for (const std::string& name : row_names) {
        pending_ += ',' + quote_map_field(name + " hex") + ',' + quote_map_field(name + " dec");
    }
    pending_ += kLineEnd;
    if (sink_ != nullptr) write_out(started_at);
}

SweepRecorder::~SweepRecorder() {
    close();
}

bool SweepRecorder::record_sweep(double now, std::chrono::system_clock::time_point wall_clock,
                                 std::span<const std::optional<ColumnReading>> readings) {
    if (!recording()) return false;
    pending_ += fixed_point_text(std::max(0.0, now - started_at_), 3);
    pending_ += ',';
    pending_ += local_wall_clock_text(wall_clock);
    for (std::size_t row = 0; row < rows_; ++row) {
        pending_ += ',';
        if (row < readings.size() && readings[row].has_value()) {
            pending_ += value_field(readings[row]->hex_text);
            pending_ += ',';
            pending_ += std::to_string(readings[row]->value);
        } else {
            pending_ += ',';
        }
    }
    pending_ += kLineEnd;
    if (pending_.size() >= kBufferLimit) return write_out(now);
    return flush_if_due(now);
}

bool SweepRecorder::flush_if_due(double now) {
    if (!recording()) return false;
    if (pending_.empty() || now - last_write_at_ < kFlushIntervalSeconds) return true;
    return write_out(now);
}

bool SweepRecorder::flush(double now) {
    return recording() && write_out(now);
}

bool SweepRecorder::write_out(double now) {
    last_write_at_ = now;
    if (pending_.empty()) return true;
    if (!sink_->write(pending_)) return stop(sink_->error_text());
    pending_.clear();
    return true;
}

bool SweepRecorder::close() {
    if (!recording()) return failure_.empty();
    if (!pending_.empty() && !sink_->write(pending_)) return stop(sink_->error_text());
    if (!sink_->close()) return stop(sink_->error_text());
    sink_.reset();
    pending_.clear();
    return true;
}

bool SweepRecorder::stop(const std::string& error_text) {
    failure_ = "Recording to " + file_name_ + " stopped.\n" + error_text + ".";
    sink_->close();
    sink_.reset();
    pending_.clear();
    return false;
}

}  // namespace halvane
