#include "link/line_speed.h"

#include <optional>
#include <string>
#include <string_view>

#include "link/paced_request.h"

namespace halvane {

namespace {

using Answer = LineSpeed::Answer;

// One change of the line's rate, driven by events like every job: the agreement (the speed
// request, the switch, the check), the way back ("=30", then 9600), or the fall back alone
// (9600 and a NUL).
class RateChange : public LineJob {
  public:
    enum class Kind { kAgree, kReturn, kFallBack, kLineReset };

    RateChange(LineSpeed& speed, Kind kind) : speed_(speed), kind_(kind) {}

    void start(Line& line) override {
        if (kind_ == Kind::kFallBack || kind_ == Kind::kLineReset) {
            fall_back(line, Answer::kReturned);
            return;
        }
        const wire::LineRate asked = kind_ == Kind::kAgree ? speed_.target() : wire::kSlowLine;
        send(line, Step::kSpeedRequest, wire::speed_request_text(asked));
    }

    void woke(Line& line) override {
        if (finished_) return;
        switch (step_) {
            case Step::kSpeedRequest:
            case Step::kCheckRequest:
                if (request_.tick_over(line)) send_next(line);
                return;
            case Step::kSpeedReply:
            case Step::kCheckReply:
                if (!waited(line, deadline_ns_)) return;
                reply_missing(line);
                return;
            case Step::kSwitch:
                if (!waited(line, deadline_ns_)) return;
                send(line, Step::kCheckRequest,
                     wire::block_request_text(LineSpeed::kCheckAddress, 1));
                return;
            case Step::kQuiet:
                if (!waited(line, deadline_ns_)) return;
                // The NUL itself may still wait in the PC's queues.
                if (line.output_pending() > 0) {
                    deadline_ns_ = line.now_ns() + kTickNs;
                    line.wake_at(deadline_ns_);
                    return;
                }
                finish(outcome_);
                return;
        }
    }

    void received(Line& line, std::string_view text) override {
        // What comes before a request is complete cannot answer it.
        if (finished_ || (step_ != Step::kSpeedReply && step_ != Step::kCheckReply)) return;
        received_ += text;
        const std::optional<std::string> value = wire::reply_value(received_);
        if (!value) return;
        if (step_ == Step::kSpeedReply) {
            speed_replied(line, *value);
        } else if (wire::parse_block_reply(*value, LineSpeed::kCheckAddress, 1).problem ==
                   wire::BlockReply::Problem::kNone) {
            finish(Answer::kFast);
        } else {
            fall_back(line, Answer::kRefused);
        }
    }

    void stop(std::string_view /*port_error*/) override { finished_ = true; }
    void abandon() override { finished_ = true; }
    bool finished() const override { return finished_; }
    bool withholds_replies() const override { return true; }

  private:
    enum class Step { kSpeedRequest, kSpeedReply, kSwitch, kCheckRequest, kCheckReply, kQuiet };

    void send(Line& line, Step step, const std::string& text) {
        step_ = step;
        received_.clear();
        request_.start(request_positions(text));
        send_next(line);
    }

    void send_next(Line& line) {
        if (!request_.send_next(line)) {
            // The port is closed or refuses to write: there is no line to change.
            finish(kind_ == Kind::kAgree ? Answer::kRefused : Answer::kReturned);
            return;
        }
        if (!request_.all_sent()) return;
        // The wait for the reply starts with the last character's tick.
        step_ = step_ == Step::kSpeedRequest ? Step::kSpeedReply : Step::kCheckReply;
        deadline_ns_ = request_.tick_end_ns() + LineSpeed::kReplyWaitNs;
        line.wake_at(deadline_ns_);
    }

    // True once `when_ns` has come; until then the job is woken again at it.
    static bool waited(Line& line, std::int64_t when_ns) {
        if (line.now_ns() >= when_ns) return true;
        line.wake_at(when_ns);
        return false;
    }

    void speed_replied(Line& line, const std::string& value) {
        if (kind_ == Kind::kReturn) {
            if (!wire::speed_reply_agrees(value, wire::kSlowLine)) {
                fall_back(line, Answer::kReturned);
                return;
            }
            line.set_rate(wire::kSlowLine.baud);
            finish(Answer::kReturned);
            return;
        }
        if (!wire::speed_reply_agrees(value, speed_.target())) {
            fall_back(line, Answer::kDamaged);
            return;
        }
        if (!line.set_rate(speed_.target().baud)) {
            fall_back(line, Answer::kRefused);
            return;
        }
        step_ = Step::kSwitch;
        deadline_ns_ = line.now_ns() + LineSpeed::kSwitchPauseNs;
        line.wake_at(deadline_ns_);
    }

    void reply_missing(Line& line) {
        if (kind_ == Kind::kReturn || step_ == Step::kCheckReply) {
            fall_back(line, kind_ == Kind::kReturn ? Answer::kReturned : Answer::kRefused);
            return;
        }
        // A reply begun but not ended in time was damaged on the way.
        const bool begun = received_.find(wire::kReplyStart) != std::string::npos;
        fall_back(line, begun ? Answer::kDamaged : Answer::kUnknown);
    }

    // The port to 9600 and a NUL at 9600: a responder still at the fast rate receives it with a
    // framing error and goes back to 9600 too. Nothing else goes until the line is quiet.
    void fall_back(Line& line, Answer outcome) {
        outcome_ = outcome;
        line.set_rate(wire::kSlowLine.baud);
        if (!line.write(std::string_view(&wire::kLineReset, 1))) {
            finish(outcome);
            return;
        }
        step_ = Step::kQuiet;
        deadline_ns_ = line.now_ns() + LineSpeed::kQuietAfterNulNs;
        line.wake_at(deadline_ns_);
    }

    void finish(Answer answer) {
        finished_ = true;
        if (kind_ != Kind::kLineReset) speed_.answered(answer);
    }

    LineSpeed& speed_;
    Kind kind_;
    Step step_ = Step::kSpeedRequest;
    PacedRequest request_;
    std::int64_t deadline_ns_ = -1;
    std::string received_;
    Answer outcome_ = Answer::kReturned;
    bool finished_ = false;
};

}  // namespace

void LineSpeed::forget() {
    mode_ = Mode::kUnknown;
    damaged_answers_ = 0;
    fall_back_due_ = false;
}

std::unique_ptr<LineJob> LineSpeed::make_request() {
    return std::make_unique<RateChange>(*this, RateChange::Kind::kAgree);
}

std::unique_ptr<LineJob> LineSpeed::make_return() {
    return std::make_unique<RateChange>(*this, RateChange::Kind::kReturn);
}

std::unique_ptr<LineJob> LineSpeed::make_fall_back() {
    return std::make_unique<RateChange>(*this, RateChange::Kind::kFallBack);
}

std::unique_ptr<LineJob> LineSpeed::make_line_reset() {
    return std::make_unique<RateChange>(*this, RateChange::Kind::kLineReset);
}

void LineSpeed::dropped_to_slow_line() {
    if (mode_ != Mode::kFast) return;
    mode_ = Mode::kSlow;
    fall_back_due_ = false;
}

void LineSpeed::answered(Answer answer) {
    switch (answer) {
        case Answer::kFast:
            mode_ = Mode::kFast;
            return;
        case Answer::kDamaged:
            // Still unknown, so the request goes again, until it has been damaged too often.
            if (++damaged_answers_ > kResendsAfterDamage) mode_ = Mode::kSlow;
            return;
        case Answer::kRefused:
        case Answer::kUnknown:
        case Answer::kReturned:
            mode_ = Mode::kSlow;
            fall_back_due_ = false;
            return;
    }
}

void LineSpeed::reply_failed() {
    if (mode_ == Mode::kFast) fall_back_due_ = true;
}

}  // namespace halvane
