#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "link/line_job.h"
#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/serial_port.h"

namespace halvane {

// The board link: the serial port, what the board sent, and a queue of jobs that take the
// line one at a time. It is driven only by events (its alarm, arriving characters, a port
// failure) and never waits; jobs report back through their own callbacks.
//
// Order of work: the download, when one is queued, owns the line alone (the window lets no
// memory job in beside it); otherwise the user's own cell operations come first, in the order
// given, then Get All's rows, then the live sweep's rows. A job in flight is never split.
class BoardLink : private Line {
  public:
    // The two sources of rows, in the order they are served.
    enum class Source { kGetAll = 0, kSweep = 1 };

    // The receive buffer keeps only its newest characters.
    static constexpr std::size_t kReceivedLimit = 64 * 1024;

    BoardLink(SerialPort& port, Clock& clock, TextView& received_view);
    ~BoardLink() override;
    BoardLink(const BoardLink&) = delete;
    BoardLink& operator=(const BoardLink&) = delete;

    // Events.
    void input_waiting();
    void port_failed(std::string_view error);

    // The receive gate (`flag`): while it is open, what the board sends collects in the receive
    // buffer. A job in flight keeps receiving its reply when the gate closes under it.
    void set_gate(bool open) { gate_ = open; }

    // A cell operation the user asked for: it runs before every other memory job.
    void queue_user_job(std::unique_ptr<LineJob> job);
    // The download: it runs once the job in flight has finished, alone on the line.
    void queue_download(std::unique_ptr<LineJob> job);
    // False (and nothing changes) when that source runs already.
    bool start_source(Source source, std::unique_ptr<JobSource> rows);
    void stop_source(Source source);
    bool source_running(Source source) const { return sources_[index(source)] != nullptr; }

    // A download waits or runs (it stops counting the moment it has finished).
    bool downloading() const {
        return download_queued_ || (current_ && current_is_download_ && !current_->finished());
    }
    // A memory job is in flight or waiting.
    bool memory_traffic() const;
    // Nothing in flight and nothing waiting (always, once the window is closing).
    bool idle() const;
    // Drops every memory job that waits (the user's, Get All, the sweep); the one in flight
    // finishes.
    void drop_memory_jobs();
    // Stops the download at once, wherever it is.
    void cancel_download();
    // The window is closing: every job ends and nothing more is sent.
    void cancel_all();
    // The port was closed to open another device (File > Serial Port): every job, the one in
    // flight too, ends as cancelled and sends nothing more; the link then serves the new device.
    void port_replaced();

    // Empties the receive buffer (what `Text1` shows).
    void clear_received() override;
    const std::string& received() const { return received_; }

  private:
    // Line, as the job in flight sees it.
    std::int64_t now_ns() const override { return clock_.now_ns(); }
    bool write(std::string_view text) override;
    std::size_t output_pending() override;
    void wake_at(std::int64_t when_ns) override;

    static std::size_t index(Source source) { return static_cast<std::size_t>(source); }
    void alarm_fired();
    // Starts the next job when the line is free, then arms the alarm for what waits.
    void after_event();
    void start_next_job();
    void rearm();
    void show_received();
    void end_every_job(std::string_view error);
    void stop_all(std::deque<std::unique_ptr<LineJob>>& waiting, std::string_view error);
    void drop_sources();

    SerialPort& port_;
    Clock& clock_;
    TextView& received_view_;
    std::unique_ptr<Alarm> alarm_;

    bool gate_ = false;
    bool closed_ = false;
    int depth_ = 0;  // events being handled, for calls that come back from a job's callback

    std::unique_ptr<LineJob> current_;
    bool current_receives_ = false;  // the job in flight gets what arrives
    bool current_is_download_ = false;
    std::int64_t job_wake_ns_ = -1;      // -1: the job waits for nothing in time
    std::int64_t source_retry_ns_ = -1;  // -1: no source waits for a time

    std::deque<std::unique_ptr<LineJob>> user_jobs_;
    std::unique_ptr<LineJob> download_;
    bool download_queued_ = false;
    std::array<std::unique_ptr<JobSource>, 2> sources_;

    std::string received_;
};

}  // namespace halvane
