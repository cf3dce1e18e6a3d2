#include "link/register_job.h"

#include <cctype>
#include <utility>

#include "link/monitor_command.h"

namespace halvane {

RegisterJob::RegisterJob(std::optional<Change> change, Done done)
    : change_(change), done_(std::move(done)) {}

MonitorStep RegisterJob::first_step() {
    std::string typed = monitor::register_command();
    if (change_) {
        // "rm x\r": the sub-prompt starts at the register to change.
        typed.insert(typed.size() - 1,
                     " " + std::string(1, static_cast<char>(std::tolower(
                                              static_cast<unsigned char>(change_->letter)))));
    }
    return {std::move(typed), MonitorStep::Until::kSubPrompt, true};
}

std::optional<MonitorStep> RegisterJob::step_done(Line& /*line*/, const MonitorAnswer& answer) {
    if (!asked_) {
        asked_ = true;
        for (const std::string& text : answer_lines(answer)) {
            if (auto found = monitor::parse_register_line(text)) registers_ = found;
        }
        if (!registers_) {
            // Not rm's answer: end its sub-prompt, if any, and say nothing was learnt.
            return MonitorStep{std::string(1, monitor::kCancelLine), MonitorStep::Until::kPrompt};
        }
        if (!change_)
            return MonitorStep{std::string(1, monitor::kCancelLine), MonitorStep::Until::kPrompt};
        return MonitorStep{monitor::sub_prompt_value(change_->value, change_->digits, false),
                           MonitorStep::Until::kPrompt};
    }
    if (registers_ && change_)
        registers_ = with_change(*registers_, change_->letter, change_->value);
    if (done_) done_(registers_);
    return std::nullopt;
}

void RegisterJob::ended_early(End /*end*/, std::string_view /*port_error*/) {
    if (done_) done_(std::nullopt);
}

monitor::Registers with_change(monitor::Registers registers, char letter, unsigned value) {
    const auto word = static_cast<std::uint16_t>(value);
    const auto byte = static_cast<std::uint8_t>(value);
    switch (std::toupper(static_cast<unsigned char>(letter))) {
        case 'P':
            registers.pc = word;
            break;
        case 'Y':
            registers.y = word;
            break;
        case 'X':
            registers.x = word;
            break;
        case 'A':
            registers.a = byte;
            break;
        case 'B':
            registers.b = byte;
            break;
        case 'C':
            registers.ccr = byte;
            break;
        case 'S':
            registers.sp = word;
            break;
        default:
            break;
    }
    return registers;
}

}  // namespace halvane
