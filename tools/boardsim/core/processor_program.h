#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>

#include "core/running_program.h"
#include "hc11/board.h"

namespace boardsim {

struct ProcessorSettings {
    // One character on the line to and from the PC; zero when the line is not paced.
    Nanos line_char_time{0};
    // Receives one line per executed instruction when set.
    std::ostream* trace = nullptr;
};

// The board's one processor executing the program, in step with the board's clock (one E cycle is
// 500 ns). The core runs only up to the time the board has reached, so a character from the PC
// lands in SCDR at the cycle its stop bit arrives, and every character the program sends leaves
// when its stop bit has gone out of the SCI.
//
// The processor and its memory belong to the board and outlive every run: the monitor lets the
// program run (resume), it returns to the monitor (SWI, an interrupt without a handler, a jump
// into the ROM; or P reaching the address the monitor traces to) and stands still there, with its
// registers and memory as they were, until the monitor lets it run again. Its clock stands still
// meanwhile, so a stopped program costs nothing. After STOP it stays silent, as the board does.
//
// With a monitor ROM image the processor is the whole board from power-on: the ROM runs from its
// reset vector, owns the line, never returns, and reset() is the reset button.
class ProcessorProgram : public RunningProgram {
  public:
    static constexpr Nanos kCycle{500};
    // How long the core may run unobserved while it sends nothing.
    static constexpr Nanos kQuantum = std::chrono::milliseconds(2);
    // After a character arrives, a look this much later catches the start of a reply.
    static constexpr Nanos kReplyCheck = std::chrono::microseconds(100);
    // After a stall of the host, at most this much of the missed time is simulated.
    static constexpr Nanos kMaxCatchUp = std::chrono::milliseconds(100);

    ProcessorProgram(hc11::Board& processor, SerialSink& out, const ProcessorSettings& settings);
    ~ProcessorProgram() override;
    ProcessorProgram(const ProcessorProgram&) = delete;
    ProcessorProgram& operator=(const ProcessorProgram&) = delete;

    // The processor runs from its P on, from `at`. With `stop_at` it executes one instruction
    // at a time and returns to the monitor when P reaches that address.
    void resume(Nanos at, std::optional<std::uint16_t> stop_at = std::nullopt);
    // The processor stands still (the board is being reset).
    void stand_still();
    // The reset button, for a ROM: the processor starts again from the reset vector at `at`;
    // memory keeps its contents.
    void reset(Nanos at);

    void receive(std::uint8_t byte, Nanos at) override;
    void run_until(Nanos now) override;
    std::optional<Nanos> next_wakeup() const override;
    std::optional<ProgramExit> finished() const override { return exit_; }
    void skip_stall(Nanos now) override;

    // True after STOP: the clocks are halted for good (the board has no IRQ source).
    bool halted() const { return halted_; }

  private:
    bool runs() const { return running_ && !halted_; }
    Nanos time_of(std::uint64_t cycle) const {
        return origin_ + kCycle * static_cast<std::int64_t>(cycle);
    }
    // Cycles to run before P is looked at again: everything up to `target`, or one instruction
    // while tracing to an address.
    std::uint64_t next_slice(std::uint64_t target) const;
    void transmit(std::uint8_t byte);

    hc11::Board& processor_;
    SerialSink& out_;
    Nanos line_char_time_;
    bool running_ = false;
    std::optional<std::uint16_t> stop_at_;
    Nanos reached_{0};  // the latest time the program was asked to run to
    Nanos origin_{0};   // the time of E cycle 0
    std::optional<Nanos> reply_check_;
    std::optional<ProgramExit> exit_;
    bool halted_ = false;
};

}  // namespace boardsim
