#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "link/line_job.h"
#include "link/line_speed.h"
#include "link/wire_protocol.h"

namespace halvane {

// "9600 baud", "62 500 baud", "125 000 baud": a rate as the window and halvane-cli say it.
std::string line_rate_text(long baud);

// The fast line as the board link keeps it: when the speed agreement is due, which rate job goes
// before every other one, and what says that the board speaks at 9600 again.
//
// Every port open sends a NUL at 9600 first (a board left at a fast rate by a crashed program
// comes back). The agreement runs once per program run and port, after the block-read probe found
// block reads working, before the next memory job, and only when the user allows the fast line.
// While fast, a missing or refused reply brings the fall back (9600 and a NUL) before anything
// else, and so does a NUL that does not end one of the monitor's lines: the board sends at 9600
// (a user's Reset, whose banner comes as NULs, or a responder that fell back on its own). A
// download goes at 9600: the way back ("=30") goes before it while the program runs, the fall
// back while the monitor listens. A stop keeps the rate (the monitor talks at the rate the program
// left), so the first Ctrl-X to the monitor goes at the present rate; should it go unanswered, the
// fall back comes first and the state check that follows looks for the monitor at 9600.
class FastLine {
  public:
    // What the link is doing, as far as the rate cares.
    struct Situation {
        bool port_open = false;
        bool program_runs = false;  // the responder listens, not the monitor
        bool block_reads = false;   // the probe found block reads working
        bool download_waiting = false;
        bool memory_job_waiting = false;
    };

    // Watch > Fast Line: whether the agreement is asked for at all, and at which rate.
    void set_allowed(bool allowed) { allowed_ = allowed; }
    bool allowed() const { return allowed_; }
    void set_target(wire::LineRate rate) { speed_.set_target(rate); }
    wire::LineRate target() const { return speed_.target(); }
    bool fast() const { return speed_.fast(); }

    // The port was (re)opened: it runs at 9600, and the NUL is due.
    void port_opened();
    // A new program run (a download): the responder is asked again.
    void new_run() { speed_.forget(); }

    // The rate job that goes before everything else, if one is due.
    std::unique_ptr<LineJob> first_job(const Situation& now);
    // Whether the agreement goes before the next memory job.
    bool agreement_due(const Situation& now) const;
    std::unique_ptr<LineJob> make_agreement() { return speed_.make_request(); }
    // The way back at once, without waiting for an answer (the window closes, the port goes):
    // the text to send at the present rate, empty when the line is not fast.
    std::string return_text() const;
    std::unique_ptr<LineJob> make_return() { return speed_.make_return(); }

    // A reply was missing or refused. True when that was the fast line's (the fall back is due),
    // and the block reads should not count it.
    bool reply_failed();
    // The port was set to `baud` by a job.
    void rate_set(long baud);
    // Feeds what arrived; true when, the line fast, it holds a NUL the monitor did not send as
    // the padding of a line end: the board sends at 9600, and the fall back is due.
    bool slow_characters_seen(std::string_view text);

  private:
    LineSpeed speed_;
    bool allowed_ = true;
    bool line_reset_due_ = false;
    char last_received_ = '\n';
};

}  // namespace halvane
