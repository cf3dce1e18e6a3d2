#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/block_read_probe.h"
#include "link/board_state.h"
#include "link/fast_line.h"
#include "link/line_job.h"
#include "link/monitor_dialogue.h"
#include "link/receive_log.h"
#include "notify/signal.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

namespace halvane {

// The board link: the serial port, what the board sent, and a queue of jobs that take the
// line one at a time. It is driven only by events (its alarm, arriving characters, a port
// failure), which it takes from the port itself, and never waits; jobs report back through
// their own callbacks.
//
// Order of work: the download, when one is queued, owns the line alone (nobody lets a memory
// job in beside it); otherwise the user's own cell operations come first, in the order given,
// then Get All's rows, then the live sweep's rows. A job in flight is never split. Before a
// memory job, the link asks what the board does when it does not know (the state check), then
// whether the responder reads blocks (the probe); each is a job of its own on the line.
//
// The link follows everything the board prints: the monitor's prompt, and a program's stop (its
// register line and the prompt while it ran). A request in flight when the register line comes
// ends as cancelled, and the first dialogue with the monitor after a stop begins with Ctrl-X.
class BoardLink : private Line {
  public:
    // The two sources of rows, in the order they are served.
    enum class Source { kGetAll = 0, kSweep = 1 };

    // The port changed under the link: it was lost (the serial layer's `error`), or it was
    // switched to another device (`error` says why that one did not open). Every job of the
    // old line has ended by then.
    struct PortEvent {
        bool switched = false;
        std::string error;
        bool was_downloading = false;
    };

    BoardLink(SerialPort& port, Clock& clock);
    ~BoardLink() override;
    BoardLink(const BoardLink&) = delete;
    BoardLink& operator=(const BoardLink&) = delete;

    // The port.
    SerialPort::OpenResult open_port();
    // Ends every job of the old device as cancelled (nothing more goes to it), closes it and
    // opens `path` with the same settings; messages name it `shown_name`.
    SerialPort::OpenResult switch_port(std::string path, std::string shown_name);
    bool port_open() const { return port_.is_open(); }
    std::string device_name() const { return port_.device_name(); }
    std::string device_path() const { return port_.device_path(); }
    Signal<const PortEvent&> port_changed;

    // The receive gate: while it is open (a program runs), what the board sends collects in
    // the receive log. A job in flight keeps receiving its reply when the gate closes under it.
    void set_gate(bool open);
    bool gate_open() const { return gate_; }
    ReceiveLog& received() { return received_; }
    const ReceiveLog& received() const { return received_; }

    // Whether the link may ask the program's responder for block reads (Watch > Block Reads).
    // Once per program run and port, before the first memory operation, its probe asks whether
    // the responder answers them; turned off, it never asks and reads byte by byte at once.
    void set_block_reads_allowed(bool allowed) { block_reads_allowed_ = allowed; }
    bool block_reads_allowed() const { return block_reads_allowed_; }
    bool block_reads() const override { return block_reads_allowed_ && probe_.block_reads(); }
    // What the link knows of the responder's block reads, and when it gives them up.
    BlockReadProbe& block_read_probe() { return probe_; }
    const BlockReadProbe& block_read_probe() const { return probe_; }

    // Watch > Fast Line: whether the link agrees a faster line with the program's responder once
    // block reads work (see FastLine), and the rate it asks for.
    void set_fast_line_allowed(bool allowed) { fast_line_.set_allowed(allowed); }
    bool fast_line_allowed() const { return fast_line_.allowed(); }
    void set_fast_line_target(wire::LineRate rate) { fast_line_.set_target(rate); }
    wire::LineRate fast_line_target() const { return fast_line_.target(); }
    bool line_fast() const { return fast_line_.fast(); }
    // The port's rate in baud; told whenever it changes.
    long line_rate() const { return port_.rate(); }
    Signal<long> line_rate_changed;
    // The rate once each change of it has ended (an agreement, a fall back, the way back), and
    // at every open.
    Signal<long> line_rate_settled;
    // The way back to 9600 ("=30" at the fast rate) before the port closes, as a job after the
    // one in flight; every memory job that waits is dropped. Nothing happens at 9600.
    void return_to_slow_line();

    // What the board does, as far as the link knows; told of every change.
    BoardState board_state() const override { return state_; }
    Signal<BoardState> board_state_changed;
    // A state check found nothing answering: the state stays unknown until a job needs it.
    Signal<> board_silent;
    // The registers of the last register line the board printed (a stop, a trace step, rm).
    const std::optional<monitor::Registers>& last_registers() const { return last_registers_; }
    // How the next memory job reaches the board's memory.
    ReadWay read_way() const;
    // Whether the link checks the board's state when it does not know it (on unless a test of
    // other behaviour turns it off: the board's state then stays as jobs learn it).
    void set_state_checks(bool on) { state_checks_ = on; }

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
    // Nothing in flight and nothing waiting (always, once closed).
    bool idle() const;
    // Drops every memory job that waits (the user's, Get All, the sweep); the one in flight
    // finishes.
    void drop_memory_jobs();
    // Stops the download at once, wherever it is, and throws away what of it still waits in
    // the PC's output queues.
    void cancel_download();
    // The window is closing: every job ends, nothing more is sent and the port closes.
    void close();
    bool closed() const { return closed_; }

  private:
    // Line, as the job in flight sees it.
    std::int64_t now_ns() const override { return clock_.now_ns(); }
    bool write(std::string_view text) override;
    std::size_t output_pending() override;
    void wake_at(std::int64_t when_ns) override;
    void clear_received() override { received_.clear(); }
    long rate() const override { return port_.rate(); }
    bool set_rate(long baud) override;
    void block_read_ended(BlockReadEnd end) override;
    void board_state_learnt(BoardState state) override { set_state(state); }
    void reply_missing() override;
    bool prompt_waiting() const override { return prompt_fresh_ && monitor_listens(state_); }
    bool take_line_to_clear() override { return std::exchange(line_to_clear_, false); }

    void set_state(BoardState state);
    // Feeds what arrived to the transcript: the prompt, register lines, a stop. True when a
    // stop ended the job in flight.
    bool follow_board(std::string_view text);
    void ask_board_state(bool at_once);
    bool check_needed() const;
    void start_check();

    static std::size_t index(Source source) { return static_cast<std::size_t>(source); }
    void input_waiting();
    void port_failed(const std::string& error);
    void alarm_fired();
    // Starts the next job when the line is free, then arms the alarm for what waits.
    void after_event();
    void end_current_job();
    void start_next_job();
    void rearm();
    void end_every_job(std::string_view error);
    void stop_all(std::deque<std::unique_ptr<LineJob>>& waiting, std::string_view error);
    void drop_sources();
    bool probe_due() const;
    void start(std::unique_ptr<LineJob> job, bool is_download);
    void start_probe();
    // The fast line's view of the link, and its jobs.
    FastLine::Situation rate_situation() const;
    bool memory_job_waiting() const;
    bool start_rate_job(std::unique_ptr<LineJob> job);
    // "=30" at once, unanswered: the port is about to close.
    void leave_fast_line_now();

    SerialPort& port_;
    Clock& clock_;
    std::unique_ptr<Alarm> alarm_;

    bool gate_ = false;
    bool closed_ = false;
    bool block_reads_allowed_ = true;
    BlockReadProbe probe_;
    FastLine fast_line_;
    bool return_due_ = false;  // return_to_slow_line() was asked
    int depth_ = 0;  // events being handled, for calls that come back from a job's callback

    std::unique_ptr<LineJob> current_;
    bool current_receives_ = false;  // the job in flight gets what arrives
    bool current_is_download_ = false;
    bool current_is_rate_job_ = false;
    std::int64_t job_wake_ns_ = -1;      // -1: the job waits for nothing in time
    std::int64_t source_retry_ns_ = -1;  // -1: no source waits for a time

    // A memory job that waits for the block read probe in flight.
    std::unique_ptr<LineJob> after_probe_;
    std::deque<std::unique_ptr<LineJob>> user_jobs_;
    std::unique_ptr<LineJob> download_;
    bool download_queued_ = false;
    std::array<std::unique_ptr<JobSource>, 2> sources_;

    ReceiveLog received_;

    monitor::Transcript transcript_;
    BoardState state_ = BoardState::kUnknown;
    std::optional<monitor::Registers> last_registers_;
    bool state_checks_ = true;
    bool check_due_ = false;      // the state is unknown for a reason a check may answer
    bool check_at_once_ = false;  // and the check runs without waiting for a job (a new port)
    bool stop_seen_ = false;      // a register line came while the program ran; the prompt not yet
    bool line_to_clear_ = false;  // a request cut short by a stop may sit on the monitor's line
    bool prompt_fresh_ = false;   // the prompt came, and nothing since
};

}  // namespace halvane
