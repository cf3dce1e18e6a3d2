#include "core/processor_program.h"

#include <algorithm>

#include "hc11/trace.h"

namespace boardsim {

ProcessorProgram::ProcessorProgram(hc11::Board& processor, SerialSink& out,
                                   const ProcessorSettings& settings)
    : processor_(processor), out_(out), line_char_time_(settings.line_char_time) {
    processor_.set_transmit_handler([this](std::uint8_t byte) { transmit(byte); });
    if (std::ostream* trace = settings.trace) {
        processor_.set_trace([trace](const hc11::TraceRecord& record) {
            *trace << hc11::format_trace(record) << '\n';
        });
    }
}

ProcessorProgram::~ProcessorProgram() {
    processor_.set_transmit_handler(nullptr);
    processor_.set_trace(nullptr);
}

void ProcessorProgram::resume(Nanos at, std::optional<std::uint16_t> stop_at) {
    // The processor's clock stood still since it last ran: its next cycle is now.
    origin_ = at - kCycle * static_cast<std::int64_t>(processor_.cycles());
    reached_ = std::max(reached_, at);
    running_ = true;
    stop_at_ = stop_at;
    exit_.reset();
    reply_check_.reset();
}

void ProcessorProgram::stand_still() {
    running_ = false;
    halted_ = false;
    stop_at_.reset();
    exit_.reset();
    reply_check_.reset();
}

void ProcessorProgram::reset(Nanos at) {
    run_until(at);
    processor_.reset();
    // After STOP the clock stood still: the restarted processor's time is `at` again.
    origin_ = at - kCycle * static_cast<std::int64_t>(processor_.cycles());
    reached_ = std::max(reached_, at);
    halted_ = false;
    reply_check_.reset();
}

void ProcessorProgram::transmit(std::uint8_t byte) {
    // The SCI calls this when the stop bit has left, and the line towards the PC adds one
    // character time of its own: hand it the moment the start bit went out instead.
    out_.transmit(byte, time_of(processor_.cycles()) - line_char_time_);
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

void ProcessorProgram::run_until(Nanos now) {
    reached_ = std::max(reached_, now);
    if (!runs() || now < origin_) return;
    const auto target = static_cast<std::uint64_t>((now - origin_) / kCycle);
    while (processor_.cycles() < target) {
        const hc11::RunResult result = processor_.run_cycles(next_slice(target));
        switch (result.reason) {
            case hc11::StopReason::monitor:
                running_ = false;
                exit_ = ProgramExit{ProgramExit::Reason::kMonitorEntry, result.address,
                                    time_of(processor_.cycles())};
                return;
            case hc11::StopReason::stop_instruction:
                halted_ = true;
                return;
            case hc11::StopReason::time_used:
                break;
        }
        if (stop_at_ && processor_.regs().pc == *stop_at_) {
            running_ = false;
            exit_ = ProgramExit{ProgramExit::Reason::kReachedStop, *stop_at_,
                                time_of(processor_.cycles())};
            return;
        }
    }
}

void ProcessorProgram::receive(std::uint8_t byte, Nanos at) {
    run_until(at);
    if (!runs()) return;
    if (line_char_time_ > Nanos{0}) {
        processor_.sci_receive_complete(byte);
    } else {
        // An unpaced line delivers characters faster than any SCI takes them: let the SCI's
        // own line pace them at the rate the program set.
        processor_.sci_receive(byte);
    }
    reply_check_ = at + kReplyCheck;
}

std::optional<Nanos> ProcessorProgram::next_wakeup() const {
    if (!runs()) return std::nullopt;
    // Every candidate lies after the time already reached, so the board never spins.
    const std::uint64_t now_cycle = processor_.cycles();
    Nanos wake = time_of(now_cycle + static_cast<std::uint64_t>(kQuantum / kCycle));
    // The SCI's next event may finish a character for the PC: be there when it happens.
    if (const std::uint64_t sci_event = processor_.sci().next_event();
        sci_event != hc11::Sci::never) {
        wake = std::min(wake, time_of(std::max(sci_event, now_cycle + 1)));
    }
    if (reply_check_ && *reply_check_ > reached_) wake = std::min(wake, *reply_check_);
    return wake;
}

void ProcessorProgram::skip_stall(Nanos now) {
    if (!runs()) return;
    const Nanos behind = now - time_of(processor_.cycles());
    if (behind <= kMaxCatchUp) return;
    origin_ += kCycle * ((behind - kMaxCatchUp) / kCycle);
}

}  // namespace boardsim
