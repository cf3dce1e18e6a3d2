#include "link/board_state_check.h"

#include <utility>

#include "link/monitor_dialogue.h"
#include "link/wire_protocol.h"
#include "text/hex_digits.h"

namespace halvane {

BoardStateCheck::BoardStateCheck(Found found) : found_(std::move(found)) {}

void BoardStateCheck::start(Line& line) {
    ask(line, Question::kCancelLine);
}

void BoardStateCheck::ask(Line& line, Question question) {
    question_ = question;
    deadline_ns_ = -1;
    heard_.clear();
    switch (question) {
        case Question::kCancelLine:
            request_.start({std::string(1, monitor::kCancelLine)});
            break;
        case Question::kResponder:
            request_.start(wire::read_request(hex_text(kProbeAddress, wire::kAddressDigits)));
            break;
        case Question::kReturn:
            request_.start({std::string(monitor::kLineEnd)});
            break;
    }
    send_next(line);
}

void BoardStateCheck::send_next(Line& line) {
    if (!request_.send_next(line)) {
        found(BoardState::kUnknown);
        return;
    }
    if (!request_.all_sent()) return;
    deadline_ns_ = request_.tick_end_ns() + kAnswerWaitNs;
    line.wake_at(deadline_ns_);
}

void BoardStateCheck::woke(Line& line) {
    if (finished_) return;
    if (deadline_ns_ < 0) {
        if (request_.tick_over(line)) send_next(line);
        return;
    }
    if (line.now_ns() < deadline_ns_) return;
    switch (question_) {
        case Question::kCancelLine:
            ask(line, Question::kResponder);
            return;
        case Question::kResponder:
            ask(line, Question::kReturn);
            return;
        case Question::kReturn:
            found(BoardState::kUnknown);
            return;
    }
}

void BoardStateCheck::received(Line& /*line*/, std::string_view text) {
    if (finished_) return;
    heard_ += text;
    if (question_ == Question::kResponder) {
        // Only an answer to the request, after its last character, says a program runs.
        if (deadline_ns_ >= 0 && wire::reply_value(heard_)) found(BoardState::kRunning);
        return;
    }
    monitor::Transcript transcript;
    for (const auto& event : transcript.feed(heard_)) {
        if (event.kind == monitor::Transcript::Event::Kind::kPrompt) {
            found(BoardState::kAtMonitor);
            return;
        }
    }
}

void BoardStateCheck::found(BoardState state) {
    if (finished_) return;
    finished_ = true;
    if (found_) found_(state);
}

}  // namespace halvane
