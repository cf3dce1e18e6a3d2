#pragma once

#include <cstdint>
#include <memory>

#include "link/block_read_probe.h"
#include "link/line_job.h"
#include "link/wire_protocol.h"
#include "platform/clock.h"

namespace halvane {

// The rate of the line in this program run, and the jobs that change it.
//
// The agreement (make_request), once per program run and port, after block reads were found to
// work: the speed request for the fast line ("=01") goes at 9600, one character per tick; on its
// agreement ("!01@") the port goes to 62 500 baud and a block read of the byte at 2400 (the
// block-read probe's) goes at the fast rate, one character per character time. A reply with the
// right check within 250 ms means the fast line is on. Anything else (no reply, a port that
// refuses the rate, a wrong check) sets the port back to 9600 and sends a NUL there, so that a
// responder that did switch hears a framing error and switches back; the run then stays at 9600.
//
// A speed reply damaged on the line (one that does not agree, or a "!" not ended within 250 ms)
// shows that the responder knows the request: after the NUL it is sent again, up to
// kResendsAfterDamage times. No answer at all means that the responder does not know "=": it
// ignores it as it ignores every character it does not know.
//
// While the line is fast, any missing or refused reply drops the port to 9600 and sends a NUL
// before anything else happens: the link tells reply_failed, then runs the job make_fall_back
// gives before any other. The way back on purpose (closing, another port, the end of a command)
// is make_return: "=30" at the fast rate, answered "!30@" there, then the port to 9600.
//
// What arrives while one of these jobs owns the line never reaches the receive log.
class LineSpeed {
  public:
    static constexpr std::int64_t kReplyWaitNs = 250 * kNanosPerMilli;
    static constexpr int kResendsAfterDamage = 3;
    // The byte the check reads: the block-read probe's, where every program starts.
    static constexpr std::uint16_t kCheckAddress = BlockReadProbe::kAddress;
    // From the agreement's "@" to the first character at the new rate: the responder changes its
    // rate once its reply's last character has left the line, which is the earliest the "@" can
    // arrive here.
    static constexpr std::int64_t kSwitchPauseNs = kTickNs;
    // After a NUL: its own character time at 9600 and twice as long again for a responder that
    // fell back in the middle of it to find the line idle, before anything else is sent.
    static constexpr std::int64_t kQuietAfterNulNs = 3 * kTickNs;

    // How one of the jobs ended.
    enum class Answer {
        kFast,      // agreed and checked: the line runs at the rate asked for
        kRefused,   // the port refused the rate or the check failed: 9600 for this run
        kDamaged,   // the speed reply came back damaged: ask again
        kUnknown,   // no answer: the responder does not know the speed request
        kReturned,  // back at 9600, on purpose or after a missing reply
    };

    // The rate the agreement asks for: the fast line (62 500 baud) unless told otherwise.
    void set_target(wire::LineRate rate) { target_ = rate; }
    wire::LineRate target() const { return target_; }

    // A new program run or another port: the line is at 9600 (every open sets it), and the
    // responder is asked again.
    void forget();
    // Whether the agreement is still to be asked for in this run.
    bool due() const { return mode_ == Mode::kUnknown; }
    // Whether the line runs at the target rate.
    bool fast() const { return mode_ == Mode::kFast; }

    // The agreement, asked once; it tells this object what it learnt when it ends on its own.
    // (Ended from outside, it learnt nothing: the link ends a job from outside only when the
    // port goes, and every open starts at 9600.)
    std::unique_ptr<LineJob> make_request();
    // The way back to 9600.
    std::unique_ptr<LineJob> make_return();
    void answered(Answer answer);

    // A reply was missing or refused by its check. While the line is fast, the fall back is then
    // due, and the line stays at 9600 for the rest of the run once it has run.
    void reply_failed();
    bool fall_back_due() const { return fall_back_due_; }
    // The port to 9600, a NUL, and the quiet after it.
    std::unique_ptr<LineJob> make_fall_back();
    // The same at a port just opened, learning nothing: a board a crashed program left at a fast
    // rate comes back to 9600 before anything else is sent.
    std::unique_ptr<LineJob> make_line_reset();
    // The port's rate went to 9600 under a fast line (the state check looked for the monitor
    // there): the line stays at 9600 for the rest of the run.
    void dropped_to_slow_line();

  private:
    enum class Mode { kUnknown, kFast, kSlow };

    wire::LineRate target_ = wire::kFastLine;
    Mode mode_ = Mode::kUnknown;
    int damaged_answers_ = 0;
    bool fall_back_due_ = false;
};

}  // namespace halvane
