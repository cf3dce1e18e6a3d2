#include "link/monitor_command.h"

#include <utility>

namespace halvane {

MonitorCommandJob::MonitorCommandJob(std::string line, Done done)
    : line_(std::move(line)), done_(std::move(done)) {}

MonitorStep MonitorCommandJob::first_step() {
    return {line_ + std::string(monitor::kLineEnd), monitor::starts_program(line_)
                                                        ? MonitorStep::Until::kSent
                                                        : MonitorStep::Until::kPrompt};
}

std::optional<MonitorStep> MonitorCommandJob::step_done(Line& line, const MonitorAnswer& answer) {
    MonitorReply reply;
    if (monitor::starts_program(line_)) {
        line.board_state_learnt(BoardState::kRunning);
        reply.outcome = MonitorReply::Outcome::kProgramStarted;
    } else {
        reply.lines = answer_lines(answer);
        for (const std::string& text : reply.lines) {
            if (auto registers = monitor::parse_register_line(text)) reply.registers = registers;
        }
    }
    if (done_) done_(reply);
    return std::nullopt;
}

void MonitorCommandJob::ended_early(End end, std::string_view port_error) {
    MonitorReply reply;
    switch (end) {
        case End::kNoAnswer:
            reply.outcome = MonitorReply::Outcome::kNoAnswer;
            break;
        case End::kCancelled:
            reply.outcome = MonitorReply::Outcome::kCancelled;
            break;
        case End::kPortFailed:
            reply.outcome = MonitorReply::Outcome::kPortFailed;
            reply.port_error = std::string(port_error);
            break;
    }
    if (done_) done_(reply);
}

std::vector<std::string> answer_lines(const MonitorAnswer& answer) {
    if (answer.lines.empty()) return {};
    return {answer.lines.begin() + 1, answer.lines.end()};
}

}  // namespace halvane
