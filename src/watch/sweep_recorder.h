#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "watch/record_sink.h"

namespace halvane {

// What a sweep read of one column's variable: the Hex Value as shown and its unsigned decimal
// value.
struct ColumnReading {
    std::string hex_text;
    std::uint32_t value = 0;
};

// "Record to File...": one line per completed sweep, in CSV.
//
//   seconds,time,"count hex","count dec","step hex","step dec"
//   0.104,2024-05-01T14:03:07.123+02:00,002A,42,01,1
//
// The first column is the time since the recording began, the second the local wall-clock
// time; then each row's hex text and decimal value, both empty for a row whose read failed in
// that sweep. Lines end in CR LF and names are quoted as in a variable map file.
//
// Lines are gathered and written to the sink once the previous write is a second old (or a
// lot has gathered), so a recording costs about one write a second. A write that fails ends the
// recording: nothing more is written and `failure()` says why, for the user.
class SweepRecorder {
  public:
    static constexpr double kFlushIntervalSeconds = 1.0;
    static constexpr std::size_t kBufferLimit = 64 * 1024;

    // Starts recording the rows named `row_names` (in sweep order) at time `started_at` and
    // writes the header at once; check `recording()` afterwards. `file_name` is for messages.
    SweepRecorder(std::unique_ptr<RecordSink> sink, std::string file_name,
                  std::vector<std::string> row_names, double started_at);
    ~SweepRecorder();
    SweepRecorder(const SweepRecorder&) = delete;
    SweepRecorder& operator=(const SweepRecorder&) = delete;

    bool recording() const { return sink_ != nullptr; }
    // Why the recording stopped on its own, as a message for the user; empty otherwise.
    const std::string& failure() const { return failure_; }

    // Adds the line of a sweep completed at `now` (the clock of `started_at`) and at
    // `wall_clock`. `readings` has one entry per row, in the order of the names; an empty one
    // is a failed read. Returns false once the recording has stopped.
    bool record_sweep(double now, std::chrono::system_clock::time_point wall_clock,
                      std::span<const std::optional<ColumnReading>> readings);
    // Writes the gathered lines when the last write is a second old. Call it from a timer as
    // well (twice a second will do), so lines reach the file while sweeps are slow.
    bool flush_if_due(double now);
    // Writes the gathered lines now, for a reader that follows the recording sweep by sweep
    // (a pipe); returns false once the recording has stopped.
    bool flush(double now);
    // Writes what is gathered and closes the file: Stop Recording, the window closing, a port
    // error. Returns false (and sets `failure()`) when that last write or the close failed.
    bool close();

  private:
    bool write_out(double now);
    bool stop(const std::string& error_text);

    std::unique_ptr<RecordSink> sink_;
    std::string file_name_;
    std::size_t rows_;
    double started_at_;
    double last_write_at_;
    std::string pending_;
    std::string failure_;
};

}  // namespace halvane
