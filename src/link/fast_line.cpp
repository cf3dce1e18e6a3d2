#include "link/fast_line.h"

namespace halvane {

std::string line_rate_text(long baud) {
    std::string digits = std::to_string(baud);
    // Thousands go apart from five digits on; "9600" stays whole.
    if (digits.size() > 4) {
        for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
            digits.insert(static_cast<std::size_t>(at), 1, ' ');
    }
    return digits + " baud";
}

void FastLine::port_opened() {
    speed_.forget();
    line_reset_due_ = true;
    last_received_ = '\n';
}

std::unique_ptr<LineJob> FastLine::first_job(const Situation& now) {
    if (!now.port_open) return nullptr;
    if (line_reset_due_) {
        line_reset_due_ = false;
        return speed_.make_line_reset();
    }
    if (speed_.fall_back_due()) return speed_.make_fall_back();
    if (now.download_waiting && speed_.fast())
        return now.program_runs ? speed_.make_return() : speed_.make_fall_back();
    return nullptr;
}

bool FastLine::agreement_due(const Situation& now) const {
    return allowed_ && speed_.due() && now.port_open && now.program_runs && now.block_reads &&
           !now.download_waiting && now.memory_job_waiting;
}

std::string FastLine::return_text() const {
    return speed_.fast() ? wire::speed_request_text(wire::kSlowLine) : std::string();
}

bool FastLine::reply_failed() {
    if (!speed_.fast()) return false;
    speed_.reply_failed();
    return true;
}

void FastLine::rate_set(long baud) {
    if (baud == wire::kSlowLine.baud) speed_.dropped_to_slow_line();
}

bool FastLine::slow_characters_seen(std::string_view text) {
    bool seen = false;
    for (const char c : text) {
        if (c == wire::kLineReset && last_received_ != '\n') seen = true;
        last_received_ = c;
    }
    return seen && reply_failed();
}

}  // namespace halvane
