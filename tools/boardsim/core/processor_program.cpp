#include "core/processor_program.h"

#include <algorithm>

#include "hc11/trace.h"

namespace boardsim {

ProcessorProgram::ProcessorProgram(hc11::Board& processor, const ProcessorSettings& settings)
    : processor_(processor), paced_line_(settings.paced_line) {
    if (std::ostream* trace = settings.trace) {
        processor_.set_trace([trace](const hc11::TraceRecord& record) {
            *trace << hc11::format_trace(record) << '\n';
        });
    }
}

ProcessorProgram::~ProcessorProgram() {
    processor_.set_trace(nullptr);
}

void ProcessorProgram::power_on(Nanos at) {
    restart_clock(at);
    reached_ = at;
}

void ProcessorProgram::resume(Nanos at, std::optional<std::uint16_t> stop_at) {
    hold_until(at);
    running_ = true;
    stop_at_ = stop_at;
    exit_.reset();
    reply_check_.reset();
}

void ProcessorProgram::hold(Nanos at) {
    run_until(at);
    hold_until(at);
    if (halted_) restart_clock(at);
    running_ = false;
    halted_ = false;
    stop_at_.reset();
    exit_.reset();
    reply_check_.reset();
}

void ProcessorProgram::reset(Nanos at) {
    run_until(at);
    processor_.reset();
    if (halted_) restart_clock(at);
    reached_ = std::max(reached_, at);
    halted_ = false;
    reply_check_.reset();
}

std::uint64_t ProcessorProgram::next_slice(std::uint64_t target) const {
    const std::uint64_t now = processor_.cycles();
    if (!stop_at_) return target - now;
    // A waiting processor executes nothing until its next peripheral event.
    if (processor_.cpu().state() == hc11::CpuState::waiting) {
        return std::max<std::uint64_t>(1,
                                       std::min(processor_.next_peripheral_event(), target) - now);
    }
    return 1;
}

std::optional<std::uint64_t> ProcessorProgram::cycle_at(Nanos now) const {
    if (halted_ || now < origin_) return std::nullopt;
    const auto target = static_cast<std::uint64_t>((now - origin_) / kCycle);
    if (processor_.cycles() >= target) return std::nullopt;
    return target;
}

void ProcessorProgram::hold_until(Nanos now) {
    reached_ = std::max(reached_, now);
    if (running_) return;
    // To the first cycle at or after `now`: what the monitor sends then does not start before
    // the character that made it send has arrived.
    if (const auto target = cycle_at(now + kCycle - Nanos{1})) {
        processor_.hold(*target - processor_.cycles());
    }
}

void ProcessorProgram::run_until(Nanos now) {
    reached_ = std::max(reached_, now);
    if (!running_) return;
    const auto target = cycle_at(now);
    if (!target) return;
    while (processor_.cycles() < *target) {
        const hc11::RunResult result = processor_.run_cycles(next_slice(*target));
        switch (result.reason) {
            case hc11::StopReason::monitor:
                running_ = false;
                exit_ = ProgramExit{ProgramExit::Reason::kMonitorEntry, result.address, present()};
                return;
            case hc11::StopReason::stop_instruction:
                halted_ = true;
                return;
            case hc11::StopReason::time_used:
                break;
        }
        if (stop_at_ && processor_.regs().pc == *stop_at_) {
            running_ = false;
            exit_ = ProgramExit{ProgramExit::Reason::kReachedStop, *stop_at_, present()};
            return;
        }
    }
}

void ProcessorProgram::receive(std::uint8_t byte, bool framing_error, Nanos at) {
    run_until(at);
    if (!executes()) return;
    if (paced_line_) {
        processor_.sci_receive_complete(byte, framing_error ? hc11::sci_bits::FE : 0);
    } else {
        // An unpaced line delivers characters faster than any SCI takes them: let the SCI's
        // own line pace them at the rate the program set.
        processor_.sci_receive(byte);
    }
    reply_check_ = at + kReplyCheck;
}

std::optional<Nanos> ProcessorProgram::next_wakeup() const {
    if (halted_) return std::nullopt;
    // Every candidate lies after the time already reached, so the board never spins.
    const std::uint64_t now_cycle = processor_.cycles();
    std::optional<Nanos> wake;
    // The SCI's next event may finish a character for the PC: be there when it happens.
    if (const std::uint64_t sci_event = processor_.sci().next_event();
        sci_event != hc11::Sci::never) {
        wake = time_of(std::max(sci_event, now_cycle + 1));
    }
    // Held, nothing but the SCI needs the board.
    if (!running_) return wake;
    if (reply_check_ && *reply_check_ > reached_)
        wake = std::min(wake.value_or(*reply_check_), *reply_check_);
    Nanos step_end = time_of(now_cycle + static_cast<std::uint64_t>(kQuantum / kCycle));
    if (asleep()) {
        // Nothing happens before an interrupt it enabled; without one, only a character wakes it.
        const std::uint64_t event = processor_.next_wake_event();
        if (event == hc11::Sci::never) return wake;
        step_end = time_of(std::max(event, now_cycle + 1)) + kHandlerTime;
    }
    return std::min(wake.value_or(step_end), step_end);
}

bool ProcessorProgram::asleep() const {
    const hc11::Cpu& cpu = processor_.cpu();
    return cpu.state() == hc11::CpuState::waiting &&
           (cpu.pending_vector() == 0 || (cpu.regs().ccr & hc11::ccr::I) != 0);
}

void ProcessorProgram::skip_stall(Nanos now) {
    // A held processor races through nothing: its time is kept whole.
    if (!executes()) return;
    const Nanos behind = now - present();
    if (behind <= kMaxCatchUp) return;
    origin_ += kCycle * ((behind - kMaxCatchUp) / kCycle);
}

}  // namespace boardsim
