#include "link/block_read_probe.h"

#include <string>
#include <utility>

#include "link/paced_request.h"
#include "link/wire_protocol.h"

namespace halvane {

namespace {
// One block read of the byte at BlockReadProbe::kAddress, and the wait for its reply.
class ProbeRequest : public LineJob {
  public:
    explicit ProbeRequest(BlockReadProbe& probe) : probe_(probe) {
        request_.start(request_positions(wire::block_request_text(BlockReadProbe::kAddress, 1)));
    }

    void start(Line& line) override { send_next(line); }

    void woke(Line& line) override {
        if (finished_) return;
        if (deadline_ns_ >= 0) {
            if (line.now_ns() < deadline_ns_) return;
            // A reply begun but not ended in time was damaged on the way.
            finish(received_.find(wire::kReplyStart) == std::string::npos
                       ? BlockReadProbe::Answer::kNoBlockReads
                       : BlockReadProbe::Answer::kDamaged);
            return;
        }
        if (request_.tick_over(line)) send_next(line);
    }

    void received(Line& /*line*/, std::string_view text) override {
        // What comes before the request is complete cannot answer it.
        if (finished_ || deadline_ns_ < 0) return;
        received_ += text;
        if (const std::optional<std::string> value = wire::reply_value(received_))
            finish(probe_answer(*value));
    }

    // Nothing learnt: the next memory operation asks again.
    void stop(std::string_view /*port_error*/) override { finished_ = true; }
    void abandon() override { finished_ = true; }
    bool finished() const override { return finished_; }
    bool withholds_replies() const override { return true; }

  private:
    void send_next(Line& line) {
        if (!request_.send_next(line)) {
            finish(BlockReadProbe::Answer::kNoBlockReads);
            return;
        }
        if (!request_.all_sent()) return;
        // The wait for the reply starts with the last character's tick.
        deadline_ns_ = request_.tick_end_ns() + BlockReadProbe::kReplyWaitNs;
        line.wake_at(deadline_ns_);
    }

    void finish(BlockReadProbe::Answer answer) {
        finished_ = true;
        probe_.answered(answer);
    }

    BlockReadProbe& probe_;
    PacedRequest request_;
    std::int64_t deadline_ns_ = -1;  // set once the last character has been sent
    std::string received_;
    bool finished_ = false;
};
}  // namespace

BlockReadProbe::Answer probe_answer(const std::string& reply_value) {
    const wire::BlockReply reply =
        wire::parse_block_reply(reply_value, BlockReadProbe::kAddress, 1);
    if (reply.problem == wire::BlockReply::Problem::kNone)
        return BlockReadProbe::Answer::kBlockReads;
    if (reply_value.size() == wire::kValueDigits) return BlockReadProbe::Answer::kNoBlockReads;
    return BlockReadProbe::Answer::kDamaged;
}

void BlockReadProbe::forget() {
    mode_ = Mode::kUnknown;
    damaged_answers_ = 0;
    timeouts_in_row_ = 0;
}

std::unique_ptr<LineJob> BlockReadProbe::make_request() {
    return std::make_unique<ProbeRequest>(*this);
}

void BlockReadProbe::answered(Answer answer) {
    switch (answer) {
        case Answer::kBlockReads:
            mode_ = Mode::kBlock;
            return;
        case Answer::kNoBlockReads:
            mode_ = Mode::kByte;
            return;
        case Answer::kDamaged:
            // Still unknown, so the probe goes again, until it has been damaged too often.
            if (++damaged_answers_ > kResendsAfterDamage) mode_ = Mode::kByte;
            return;
    }
}

void BlockReadProbe::block_read_ended(Line::BlockReadEnd end) {
    if (end == Line::BlockReadEnd::kRefused) ++refused_replies_;
    timeouts_in_row_ = end == Line::BlockReadEnd::kTimedOut ? timeouts_in_row_ + 1 : 0;
    if (timeouts_in_row_ < kTimeoutsBeforeGivingUp || mode_ != Mode::kBlock) return;
    mode_ = Mode::kByte;
    given_up.notify();
}

}  // namespace halvane
