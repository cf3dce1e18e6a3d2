#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/line_job.h"
#include "notify/signal.h"
#include "platform/clock.h"

namespace halvane {

// Whether this program run's responder answers block reads, as far as the link knows, and the
// probe that asks it: once per program run and port, before the first memory operation, one
// block read of the byte at 2400 (where every program starts), one character per tick, then a
// wait for "@" of at most 250 ms. Whatever arrives meanwhile is dropped: it never reaches the
// receive log.
//
// A reply with the right check says yes. Silence says no at once (a responder that knows no
// block reads ignores "#"), and so does a byte reply (one that takes "#" for "*"). A damaged
// reply (a "!" that does not end as a right reply within the wait, or a reply that fails its
// check) shows that the responder knows block reads: the probe goes again, up to
// kResendsAfterDamage times, before byte reads are chosen.
class BlockReadProbe {
  public:
    static constexpr std::uint16_t kAddress = 0x2400;
    static constexpr std::int64_t kReplyWaitNs = 250 * kNanosPerMilli;
    static constexpr int kResendsAfterDamage = 3;
    static constexpr int kTimeoutsBeforeGivingUp = 3;

    // What one probe learnt.
    enum class Answer { kBlockReads, kNoBlockReads, kDamaged };

    // A new program run or another port: the responder is asked again.
    void forget();
    // Whether the responder must be asked before the next memory operation.
    bool due() const { return mode_ == Mode::kUnknown; }
    bool block_reads() const { return mode_ == Mode::kBlock; }
    // The job that asks once; it tells this probe what it learnt when it ends on its own. (Ended
    // from outside, it learnt nothing, and the next memory operation asks again.)
    std::unique_ptr<LineJob> make_request();
    void answered(Answer answer);

    // How a memory operation's block read ended. Three without a reply in a row bring back byte
    // reads for this program run, and `given_up` is told.
    void block_read_ended(Line::BlockReadEnd end);
    Signal<> given_up;
    // Block replies that failed their check, since the port was opened.
    long long refused_replies() const { return refused_replies_; }

  private:
    enum class Mode { kUnknown, kBlock, kByte };

    Mode mode_ = Mode::kUnknown;
    int damaged_answers_ = 0;
    int timeouts_in_row_ = 0;
    long long refused_replies_ = 0;
};

// What a probe's reply says, once the reply window holds an "@": a right reply is yes, a byte
// reply no, anything else is damaged.
BlockReadProbe::Answer probe_answer(const std::string& reply_value);

}  // namespace halvane
