#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "link/board_state.h"
#include "link/wire_clock.h"

namespace halvane {

// The serial line as the job that owns it sees it. One job owns the line at a time.
class Line {
  public:
    virtual ~Line() = default;
    virtual std::int64_t now_ns() const = 0;
    // Hands `text` to the port at once. False when the port is closed or refuses it.
    virtual bool write(std::string_view text) = 0;
    // Characters written that have not left the PC yet.
    virtual std::size_t output_pending() = 0;
    // The job's `woke` runs once at or after `when_ns`; a later call moves it.
    virtual void wake_at(std::int64_t when_ns) = 0;
    // Empties the receive log.
    virtual void clear_received() = 0;
    // The line's rate in baud, and the time one character takes at it.
    virtual long rate() const = 0;
    std::int64_t character_ns() const { return character_time_ns(rate()); }
    // Sets the port's rate (the speed agreement does). False, with the rate as it was, when the
    // port is closed or cannot make it.
    virtual bool set_rate(long baud) = 0;
    // Whether reads go as block reads (the responder answers them, and the user allows them).
    virtual bool block_reads() const = 0;
    // How a block read request ended: a right reply, one that failed its check, or none in time.
    enum class BlockReadEnd { kAnswered, kRefused, kTimedOut };
    virtual void block_read_ended(BlockReadEnd end) = 0;

    // What the board is doing, as far as the link knows, and what a job learnt of it: a reply
    // that went missing makes it unknown, a command that starts the program makes it running.
    virtual BoardState board_state() const { return BoardState::kUnknown; }
    virtual void board_state_learnt(BoardState /*state*/) {}
    virtual void reply_missing() {}
    // The board has shown the monitor's prompt and sent nothing since.
    virtual bool prompt_waiting() const { return false; }
    // Whether the monitor's line may hold what a request cut short by a stop left there: the
    // first job that speaks to the monitor throws it away with Ctrl-X. Asking takes the duty.
    virtual bool take_line_to_clear() { return false; }
};

// One unit of work on the line: the cell operation of one row, or a download. Driven only by
// events: its start, its wake-up, characters from the board. It never waits.
class LineJob {
  public:
    virtual ~LineJob() = default;
    virtual void start(Line& line) = 0;
    virtual void woke(Line& line) = 0;
    // Characters the board sent while the job owns the line.
    virtual void received(Line& line, std::string_view text) = 0;
    // The job is ended from outside (the port failed, a cancel): it sends nothing more and
    // reports how it ended. `port_error` is empty for a cancel.
    virtual void stop(std::string_view port_error) = 0;
    // The window closes: the job ends at once and reports nothing, as nobody is left to tell.
    virtual void abandon() = 0;
    virtual bool finished() const = 0;
    // Whether the job reads the monitor's output while the receive gate is closed (a download).
    virtual bool reads_monitor() const { return false; }
    // Whether its replies stay out of the receive log (the live sweep's reads). What it received
    // reaches the log once it has finished, as `released_text` says, without the replies.
    virtual bool withholds_replies() const { return false; }
    virtual std::string released_text() { return {}; }
    // Whether it reads or writes the program's memory, so that the link asks the responder
    // about block reads first (a line typed to the program does not).
    virtual bool reads_memory() const { return true; }
};

// Hands the link one job at a time, for work that runs row after row (Get All, the live sweep)
// so that the user's own operations can go in between two rows.
class JobSource {
  public:
    virtual ~JobSource() = default;
    // The next job; none when the source has finished, or has nothing before `retry_at_ns`
    // (left at 0 when it has finished, or when it waits for the way of reading to change).
    // Reading blocks or through the monitor, several rows may share a job.
    virtual std::unique_ptr<LineJob> next_job(std::int64_t now_ns, std::int64_t& retry_at_ns,
                                              ReadWay way) = 0;
    virtual bool finished() const = 0;
    // Whether next_job would give a job at `now_ns`: the link asks the responder about block
    // reads before it takes the job, so that the job can read its rows in blocks.
    virtual bool has_job(std::int64_t now_ns) const = 0;
    // The source is dropped before it finished (File > Open, a port error, the window closing).
    virtual void dropped() {}
};

}  // namespace halvane
