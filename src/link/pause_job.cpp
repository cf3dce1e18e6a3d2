#include "link/pause_job.h"

#include <utility>

namespace halvane {

PauseJob::PauseJob(Done done) : done_(std::move(done)) {}

void PauseJob::start(Line& line) {
    if (monitor_listens(line.board_state())) {
        end(Outcome::kNotRunning);
        return;
    }
    request_.start(request_positions(std::string(kPauseRequest)));
    send_next(line);
}

void PauseJob::send_next(Line& line) {
    if (!request_.send_next(line)) {
        end(Outcome::kPortFailed);
        return;
    }
    if (!request_.all_sent()) return;
    deadline_ns_ = request_.tick_end_ns() + kAnswerWaitNs;
    line.wake_at(deadline_ns_);
}

void PauseJob::woke(Line& line) {
    if (finished_) return;
    if (deadline_ns_ < 0) {
        if (request_.tick_over(line)) send_next(line);
        return;
    }
    if (line.now_ns() < deadline_ns_) {
        line.wake_at(deadline_ns_);
        return;
    }
    end(Outcome::kNotAnswered);
}

void PauseJob::stop(std::string_view port_error) {
    if (!port_error.empty()) {
        end(Outcome::kPortFailed);
        return;
    }
    end(deadline_ns_ >= 0 ? Outcome::kStopSeen : Outcome::kCancelled);
}

void PauseJob::end(Outcome outcome) {
    if (finished_) return;
    finished_ = true;
    if (done_) done_(outcome);
}

}  // namespace halvane
