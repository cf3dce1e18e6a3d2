#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/line_job.h"
#include "link/monitor_dialogue.h"
#include "link/paced_request.h"
#include "platform/clock.h"

namespace halvane {

// One step of a dialogue with the board's monitor: what is typed where it waits, and what ends
// the step.
struct MonitorStep {
    enum class Until {
        kPrompt,     // the monitor's prompt: the command has finished
        kSubPrompt,  // mm's or rm's sub-prompt, which waits for a value
        kSent,       // the last character's tick: the command lets the program run
    };
    std::string typed;
    Until until = Until::kPrompt;
    // rm's sub-prompt ("P-2424 ") begins as its register line does: it counts only once that
    // line has ended.
    bool after_register_line = false;
};

// What the monitor printed for a step: its lines (the echo of what was typed first), without
// line ends and NULs, and the line it waits on (a sub-prompt, or the prompt ">").
struct MonitorAnswer {
    std::vector<std::string> lines;
    std::string waiting_line;
};

// A dialogue with the monitor on the line: each step is typed a character a tick, as the
// responder's requests are, and ends when the monitor waits again. A step without a character
// from the board for kSilenceNs has no answer: the dialogue ends, and the link no longer knows
// what the board does. When a stop may have left part of a request on the monitor's line, the
// dialogue begins with Ctrl-X and the prompt it brings.
class MonitorExchange : public LineJob {
  public:
    static constexpr std::int64_t kSilenceNs = 1000 * kTickNs;
    enum class End { kNoAnswer, kCancelled, kPortFailed };

    void start(Line& line) override;
    void woke(Line& line) override;
    void received(Line& line, std::string_view text) override;
    void stop(std::string_view port_error) override;
    void abandon() override { finished_ = true; }
    bool finished() const override { return finished_; }

  protected:
    virtual MonitorStep first_step() = 0;
    // A step ended as it should: the next one, or none when the dialogue is over.
    virtual std::optional<MonitorStep> step_done(Line& line, const MonitorAnswer& answer) = 0;
    // The dialogue ended before its last step did.
    virtual void ended_early(End end, std::string_view port_error) = 0;

  private:
    void begin(Line& line, MonitorStep step);
    void send_next(Line& line);
    void check_answer(Line& line);
    void step_over(Line& line);
    void end_early(End end, std::string_view port_error);
    void watch_silence(Line& line);

    MonitorStep step_;
    bool clearing_line_ = false;  // the step is the Ctrl-X that clears the monitor's line
    std::optional<MonitorStep> after_clearing_;
    PacedRequest request_;
    monitor::Transcript transcript_;
    MonitorAnswer answer_;
    bool prompt_seen_ = false;
    std::int64_t last_heard_ns_ = 0;
    bool finished_ = false;
};

}  // namespace halvane
