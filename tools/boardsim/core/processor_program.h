#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>

#include "core/running_program.h"
#include "hc11/board.h"

namespace boardsim {

struct ProcessorSettings {
    // The line is paced: each character from the PC reaches the SCI whole, at the moment its stop
    // bit arrives. Without pacing characters come all at once, and the SCI takes them in one
    // character time apart at the rate the program set.
    bool paced_line = true;
    // Receives one line per executed instruction when set.
    std::ostream* trace = nullptr;
};

// The board's one processor in step with the board's clock from power-on (one E cycle is 500 ns).
// The core runs only up to the time the board has reached, so a character from the PC lands in
// SCDR at the cycle its stop bit arrives, and every character the SCI sends leaves when its stop
// bit has gone out.
//
// The processor and its memory belong to the board and outlive every run: the monitor lets the
// program run (resume), it returns to the monitor (SWI, an interrupt without a handler, a jump
// into the ROM; or P reaching the address the monitor traces to), and the monitor holds the
// processor until it lets the program run again, with its registers and memory as they were.
// While held the processor executes nothing and takes no interrupt, but its peripherals run on:
// what the SCI still holds, and what the monitor sends through it, leaves at the rate BAUD sets.
// A held processor costs nothing while its SCI is quiet, and neither does a program waiting in
// WAI until an interrupt it enabled comes due; a program that executes runs in steps of at most
// kQuantum. After STOP every clock stands still and the board stays silent, as it does.
//
// With a monitor ROM image the processor is the whole board from power-on: the ROM runs from its
// reset vector, owns the line, never returns, and reset() is the reset button.
class ProcessorProgram : public RunningProgram {
  public:
    static constexpr Nanos kCycle{500};
    // How long the core may run unobserved while it executes and sends nothing.
    static constexpr Nanos kQuantum = std::chrono::milliseconds(2);
    // A processor waiting in WAI is looked at again this long after the interrupt that wakes it,
    // so its handler runs in the same step.
    static constexpr Nanos kHandlerTime = std::chrono::microseconds(100);
    // After a character arrives, a look this much later catches the start of a reply.
    static constexpr Nanos kReplyCheck = std::chrono::microseconds(100);
    // After a stall of the host, at most this much of the missed time is simulated.
    static constexpr Nanos kMaxCatchUp = std::chrono::milliseconds(100);

    ProcessorProgram(hc11::Board& processor, const ProcessorSettings& settings);
    ~ProcessorProgram() override;
    ProcessorProgram(const ProcessorProgram&) = delete;
    ProcessorProgram& operator=(const ProcessorProgram&) = delete;

    // The board is switched on at `at`: the processor's clock starts, held.
    void power_on(Nanos at);
    // The processor runs from its P on, from `at`. With `stop_at` it executes one instruction
    // at a time and returns to the monitor when P reaches that address.
    void resume(Nanos at, std::optional<std::uint16_t> stop_at = std::nullopt);
    // The monitor holds the processor from `at` on (the board is being reset).
    void hold(Nanos at);
    // The reset button, for a ROM: the processor starts again from the reset vector at `at`;
    // memory keeps its contents.
    void reset(Nanos at);
    // While the monitor holds the processor: its peripherals run on up to `now`.
    void hold_until(Nanos now);
    // The host was away (suspended, stopped in a debugger) until `now`: a running program drops
    // most of the missed time rather than racing through it.
    void skip_stall(Nanos now);

    void receive(std::uint8_t byte, bool framing_error, Nanos at) override;
    // Executes the program up to `now`, or up to its return to the monitor.
    void run_until(Nanos now) override;
    std::optional<Nanos> next_wakeup() const override;
    std::optional<ProgramExit> finished() const override { return exit_; }

    // The board's time at the processor's present cycle.
    Nanos present() const { return time_of(processor_.cycles()); }
    // True after STOP: the clocks are halted for good (the board has no IRQ source).
    bool halted() const { return halted_; }

  private:
    bool executes() const { return running_ && !halted_; }
    // In WAI with no interrupt about to be taken.
    bool asleep() const;
    Nanos time_of(std::uint64_t cycle) const {
        return origin_ + kCycle * static_cast<std::int64_t>(cycle);
    }
    // The clock stood still (STOP): the processor's present cycle is `at`.
    void restart_clock(Nanos at) {
        origin_ = at - kCycle * static_cast<std::int64_t>(processor_.cycles());
    }
    // Cycles to run before P is looked at again: everything up to `target`, or one instruction
    // while tracing to an address.
    std::uint64_t next_slice(std::uint64_t target) const;
    std::optional<std::uint64_t> cycle_at(Nanos now) const;

    hc11::Board& processor_;
    bool paced_line_;
    bool running_ = false;
    std::optional<std::uint16_t> stop_at_;
    Nanos reached_{0};  // the latest time the processor was asked to run to
    Nanos origin_{0};   // the time of E cycle 0
    std::optional<Nanos> reply_check_;
    std::optional<ProgramExit> exit_;
    bool halted_ = false;
};

}  // namespace boardsim
