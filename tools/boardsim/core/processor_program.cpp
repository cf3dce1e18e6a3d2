#include "core/processor_program.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "hc11/trace.h"

namespace boardsim {
namespace {

// An entry through one of the interrupt vectors (SWI, the illegal-opcode trap, an interrupt
// whose pseudo-vector still leads to the monitor) has stacked the program's registers.
bool entered_through_vector(std::uint16_t entry) {
    const unsigned low = entry & 0xFFu;
    return (entry & 0xFF00) == hc11::board_map::MONITOR_ROM &&
           low >= (hc11::vector::FIRST & 0xFFu) && low <= (hc11::vector::ILLEGAL_OPCODE & 0xFFu) &&
           low % 2 == 0;
}

// The monitor's register line: "P-2411 Y-0000 X-1000 A-00 B-20 C-D4 S-0041".
std::string register_line(const hc11::Registers& r) {
    char text[64];
    std::snprintf(text, sizeof text, "P-%04X Y-%04X X-%04X A-%02X B-%02X C-%02X S-%04X", r.pc, r.y,
                  r.x, r.a, r.b, r.ccr, r.sp);
    return text;
}

std::string hex4(unsigned value) {
    char text[5];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

}  // namespace

ProcessorProgram::ProcessorProgram(const MemoryImage& image, SerialSink& out, std::uint16_t address,
                                   Nanos started_at, const ProcessorSettings& settings)
    : out_(out), line_char_time_(settings.line_char_time), reached_(started_at) {
    // Copy the download in runs of consecutive loaded addresses.
    std::vector<std::uint8_t> run;
    std::uint32_t run_start = 0;
    for (std::uint32_t a = 0; a <= MemoryImage::kSize; ++a) {
        const bool loaded =
            a < MemoryImage::kSize && image.is_loaded(static_cast<std::uint16_t>(a));
        if (loaded) {
            if (run.empty()) run_start = a;
            run.push_back(image.read(static_cast<std::uint16_t>(a)));
        } else if (!run.empty()) {
            refused_bytes_ += run.size() - board_.load(static_cast<std::uint16_t>(run_start), run);
            run.clear();
        }
    }
    connect(started_at, settings);
    board_.go(address);
}

ProcessorProgram::ProcessorProgram(const hc11::RomImage& rom, SerialSink& out, Nanos powered_at,
                                   const ProcessorSettings& settings)
    : board_(rom), out_(out), line_char_time_(settings.line_char_time), reached_(powered_at) {
    connect(powered_at, settings);
}

void ProcessorProgram::connect(Nanos started_at, const ProcessorSettings& settings) {
    origin_ = started_at - kCycle * static_cast<std::int64_t>(board_.cycles());
    board_.set_transmit_handler([this](std::uint8_t byte) { transmit(byte); });
    if (std::ostream* trace = settings.trace) {
        board_.set_trace([trace](const hc11::TraceRecord& record) {
            *trace << hc11::format_trace(record) << '\n';
        });
    }
}

void ProcessorProgram::reset(Nanos at) {
    run_until(at);
    board_.reset();
    // After STOP the clock stood still: the restarted processor's time is `at` again.
    origin_ = at - kCycle * static_cast<std::int64_t>(board_.cycles());
    reached_ = std::max(reached_, at);
    halted_ = false;
    reply_check_.reset();
}

void ProcessorProgram::transmit(std::uint8_t byte) {
    // The SCI calls this when the stop bit has left, and the line towards the PC adds one
    // character time of its own: hand it the moment the start bit went out instead.
    out_.transmit(byte, time_of(board_.cycles()) - line_char_time_);
}

void ProcessorProgram::run_until(Nanos now) {
    reached_ = std::max(reached_, now);
    if (exit_ || halted_ || now < origin_) return;
    const auto target = static_cast<std::uint64_t>((now - origin_) / kCycle);
    if (target <= board_.cycles()) return;
    const hc11::RunResult result = board_.run_cycles(target - board_.cycles());
    switch (result.reason) {
        case hc11::StopReason::monitor:
            exit_ = ProgramExit{exit_message(result.address), time_of(board_.cycles())};
            break;
        case hc11::StopReason::stop_instruction:
            halted_ = true;
            break;
        case hc11::StopReason::time_used:
            break;
    }
}

void ProcessorProgram::receive(std::uint8_t byte, Nanos at) {
    run_until(at);
    if (exit_ || halted_) return;
    if (line_char_time_ > Nanos{0}) {
        board_.sci_receive_complete(byte);
    } else {
        // An unpaced line delivers characters faster than any SCI takes them: let the SCI's
        // own line pace them at the rate the program set.
        board_.sci_receive(byte);
    }
    reply_check_ = at + kReplyCheck;
}

std::optional<Nanos> ProcessorProgram::next_wakeup() const {
    if (exit_ || halted_) return std::nullopt;
    // Every candidate lies after the time already reached, so the board never spins.
    const std::uint64_t now_cycle = board_.cycles();
    Nanos wake = time_of(now_cycle + static_cast<std::uint64_t>(kQuantum / kCycle));
    // The SCI's next event may finish a character for the PC: be there when it happens.
    if (const std::uint64_t sci_event = board_.sci().next_event(); sci_event != hc11::Sci::never) {
        wake = std::min(wake, time_of(std::max(sci_event, now_cycle + 1)));
    }
    if (reply_check_ && *reply_check_ > reached_) wake = std::min(wake, *reply_check_);
    return wake;
}

void ProcessorProgram::skip_stall(Nanos now) {
    if (exit_ || halted_) return;
    const Nanos behind = now - time_of(board_.cycles());
    if (behind <= kMaxCatchUp) return;
    origin_ += kCycle * ((behind - kMaxCatchUp) / kCycle);
}

std::string ProcessorProgram::exit_message(std::uint16_t entry) const {
    const std::string what = hc11::describe_monitor_entry(entry);
    if (!entered_through_vector(entry)) {
        hc11::Registers now = board_.cpu().regs();
        now.pc = entry;
        return "program stopped: " + what + "\r\n" + register_line(now);
    }
    // The registers as the program had them, from the stack the interrupt sequence built:
    // CCR, B, A, X, Y, PC upwards from SP+1.
    const hc11::Registers& r = board_.cpu().regs();
    auto stacked = [&](unsigned offset) {
        return board_.read(static_cast<std::uint16_t>(r.sp + offset));
    };
    auto stacked16 = [&](unsigned offset) {
        return static_cast<std::uint16_t>(stacked(offset) << 8 | stacked(offset + 1));
    };
    hc11::Registers program;
    program.ccr = stacked(1);
    program.b = stacked(2);
    program.a = stacked(3);
    program.x = stacked16(4);
    program.y = stacked16(6);
    program.pc = stacked16(8);
    program.sp = static_cast<std::uint16_t>(r.sp + 9);
    // SWI stacks the address after itself; the trap and interrupts stack where the program was.
    const bool swi = entry == (hc11::board_map::MONITOR_ROM | (hc11::vector::SWI & 0xFFu));
    const auto where = static_cast<std::uint16_t>(program.pc - (swi ? 1 : 0));
    const std::string place =
        swi || entry == (hc11::board_map::MONITOR_ROM | (hc11::vector::ILLEGAL_OPCODE & 0xFFu))
            ? " at " + hex4(where)
            : " (the program was at " + hex4(where) + ")";
    return "program stopped: " + what + place + "\r\n" + register_line(program);
}

}  // namespace boardsim
