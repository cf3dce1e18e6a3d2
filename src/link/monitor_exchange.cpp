#include "link/monitor_exchange.h"

#include <algorithm>
#include <utility>

namespace halvane {

void MonitorExchange::start(Line& line) {
    // Nothing goes to a monitor that is not known to wait at its prompt.
    if (!monitor_listens(line.board_state())) {
        end_early(End::kNoAnswer, {});
        return;
    }
    MonitorStep first = first_step();
    if (line.take_line_to_clear()) {
        after_clearing_ = std::move(first);
        clearing_line_ = true;
        begin(line, {std::string(1, monitor::kCancelLine), MonitorStep::Until::kPrompt});
        return;
    }
    begin(line, std::move(first));
}

void MonitorExchange::begin(Line& line, MonitorStep step) {
    step_ = std::move(step);
    answer_ = {};
    prompt_seen_ = false;
    transcript_.reset();
    request_.start(request_positions(step_.typed));
    send_next(line);
}

void MonitorExchange::send_next(Line& line) {
    if (!request_.send_next(line)) {
        end_early(End::kPortFailed, {});
        return;
    }
    if (request_.all_sent() && step_.until != MonitorStep::Until::kSent) watch_silence(line);
}

// The answer may take as long as the board keeps printing; silence ends it.
void MonitorExchange::watch_silence(Line& line) {
    last_heard_ns_ = std::max(last_heard_ns_, request_.tick_end_ns());
    line.wake_at(last_heard_ns_ + kSilenceNs);
}

void MonitorExchange::woke(Line& line) {
    if (finished_) return;
    if (!request_.all_sent()) {
        if (request_.tick_over(line)) send_next(line);
        return;
    }
    if (step_.until == MonitorStep::Until::kSent) {
        if (request_.tick_over(line)) step_over(line);
        return;
    }
    if (line.now_ns() >= last_heard_ns_ + kSilenceNs) {
        line.reply_missing();
        end_early(End::kNoAnswer, {});
        return;
    }
    check_answer(line);
    if (!finished_) watch_silence(line);
}

void MonitorExchange::received(Line& line, std::string_view text) {
    if (finished_) return;
    last_heard_ns_ = line.now_ns();
    for (monitor::Transcript::Event& event : transcript_.feed(text)) {
        if (event.kind == monitor::Transcript::Event::Kind::kPrompt) {
            prompt_seen_ = true;
        } else {
            answer_.lines.push_back(std::move(event.line));
        }
    }
    if (request_.all_sent()) check_answer(line);
    if (!finished_ && request_.all_sent() && step_.until != MonitorStep::Until::kSent)
        watch_silence(line);
}

// The step is over once the monitor waits again, and not before its last character's tick.
void MonitorExchange::check_answer(Line& line) {
    const bool waits = step_.until == MonitorStep::Until::kPrompt
                           ? prompt_seen_
                           : monitor::sub_prompt_waiting(transcript_.partial_line());
    if (!waits) return;
    if (step_.after_register_line &&
        std::none_of(answer_.lines.begin(), answer_.lines.end(), [](const std::string& text) {
            return monitor::find_register_line(text).has_value();
        }))
        return;
    if (!request_.tick_over(line)) return;
    step_over(line);
}

void MonitorExchange::step_over(Line& line) {
    answer_.waiting_line = transcript_.partial_line();
    if (clearing_line_) {
        clearing_line_ = false;
        MonitorStep first = std::move(*after_clearing_);
        after_clearing_.reset();
        begin(line, std::move(first));
        return;
    }
    std::optional<MonitorStep> next = step_done(line, answer_);
    if (finished_) return;
    if (!next) {
        finished_ = true;
        return;
    }
    begin(line, std::move(*next));
}

void MonitorExchange::stop(std::string_view port_error) {
    end_early(port_error.empty() ? End::kCancelled : End::kPortFailed, port_error);
}

void MonitorExchange::end_early(End end, std::string_view port_error) {
    if (finished_) return;
    finished_ = true;
    ended_early(end, port_error);
}

}  // namespace halvane
