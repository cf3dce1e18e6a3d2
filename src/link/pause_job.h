#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/line_job.h"
#include "link/paced_request.h"
#include "platform/clock.h"

namespace halvane {

// Pause: asks the running program's responder with "%%" to hand the program to the monitor, as
// if it had reached an SWI. The link follows the stop that comes of it (the register line and the
// prompt) and ends the job when the register line arrives; a responder that does not know "%%"
// says nothing, and after kAnswerWaitNs the job ends unanswered.
class PauseJob : public LineJob {
  public:
    static constexpr std::int64_t kAnswerWaitNs = 500 * kNanosPerMilli;
    // The responder's request for a pause.
    static constexpr std::string_view kPauseRequest = "%%";

    enum class Outcome {
        kStopSeen,     // the link ended the job: the stop came (or a cancel, after "%%" went)
        kNotRunning,   // the monitor listens already: nothing was sent
        kNotAnswered,  // no stop in time: the responder does not know "%%"
        kCancelled,    // ended from outside before "%%" had gone
        kPortFailed,
    };
    using Done = std::function<void(Outcome outcome)>;
    explicit PauseJob(Done done);

    void start(Line& line) override;
    void woke(Line& line) override;
    void received(Line& /*line*/, std::string_view /*text*/) override {}
    void stop(std::string_view port_error) override;
    void abandon() override { finished_ = true; }
    bool finished() const override { return finished_; }
    bool reads_memory() const override { return false; }

  private:
    void send_next(Line& line);
    void end(Outcome outcome);

    Done done_;
    PacedRequest request_;
    std::int64_t deadline_ns_ = -1;  // set once the request has gone whole
    bool finished_ = false;
};

}  // namespace halvane
