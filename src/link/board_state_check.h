#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/board_state.h"
#include "link/line_job.h"
#include "link/paced_request.h"
#include "platform/clock.h"

namespace halvane {

// Asks the board what it is doing, in an order that disturbs neither a monitor nor a program:
// Ctrl-X (the monitor answers with its prompt; a program's responder ignores it); else one
// responder read of the byte at 2400 (an answer: a program runs); else one CR (the prompt: the
// monitor was waiting for it after a reset's banner). Each waits kAnswerWaitNs after its last
// character's tick. Nothing answering, the state stays unknown. What arrives never reaches the
// receive log.
class BoardStateCheck : public LineJob {
  public:
    static constexpr std::int64_t kAnswerWaitNs = 250 * kNanosPerMilli;
    static constexpr std::uint16_t kProbeAddress = 0x2400;

    // Told what the check found, unless it was ended from outside (it learnt nothing then).
    using Found = std::function<void(BoardState state)>;
    explicit BoardStateCheck(Found found);

    void start(Line& line) override;
    void woke(Line& line) override;
    void received(Line& line, std::string_view text) override;
    void stop(std::string_view /*port_error*/) override { finished_ = true; }
    void abandon() override { finished_ = true; }
    bool finished() const override { return finished_; }
    bool withholds_replies() const override { return true; }
    bool reads_monitor() const override { return true; }

  private:
    enum class Question { kCancelLine, kResponder, kReturn };

    void ask(Line& line, Question question);
    void send_next(Line& line);
    void found(BoardState state);

    Found found_;
    Question question_ = Question::kCancelLine;
    PacedRequest request_;
    std::int64_t deadline_ns_ = -1;  // set once the question has been asked whole
    std::string heard_;
    bool finished_ = false;
};

}  // namespace halvane
