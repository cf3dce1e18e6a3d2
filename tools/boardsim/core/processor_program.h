#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "core/memory_image.h"
#include "core/running_program.h"
#include "hc11/board.h"

namespace boardsim {

struct ProcessorSettings {
    // One character on the line to and from the PC; zero when the line is not paced.
    Nanos line_char_time{0};
    // Receives one line per executed instruction when set.
    std::ostream* trace = nullptr;
};

// The downloaded program executed by the 68HC11 core, in step with the board's clock (one E
// cycle is 500 ns). The core runs only up to the time the board has reached, so a character
// from the PC lands in SCDR at the cycle its stop bit arrives, and every character the program
// sends leaves when its stop bit has gone out of the SCI.
//
// When the program enters the monitor (SWI, an interrupt without a handler, a jump into the
// ROM) it is finished and the monitor takes over; after STOP it stays silent, as the board does.
//
// Built from a monitor ROM image instead, it is the whole board from power-on: the ROM runs from
// its reset vector, owns the line, never finishes, and reset() is the reset button.
class ProcessorProgram : public RunningProgram {
  public:
    static constexpr Nanos kCycle{500};
    // How long the core may run unobserved while it sends nothing.
    static constexpr Nanos kQuantum = std::chrono::milliseconds(2);
    // After a character arrives, a look this much later catches the start of a reply.
    static constexpr Nanos kReplyCheck = std::chrono::microseconds(100);
    // After a stall of the host, at most this much of the missed time is simulated.
    static constexpr Nanos kMaxCatchUp = std::chrono::milliseconds(100);

    ProcessorProgram(const MemoryImage& image, SerialSink& out, std::uint16_t address,
                     Nanos started_at, const ProcessorSettings& settings);
    ProcessorProgram(const hc11::RomImage& rom, SerialSink& out, Nanos powered_at,
                     const ProcessorSettings& settings);

    // The reset button, for a ROM: the processor starts again from the reset vector at `at`;
    // memory keeps its contents.
    void reset(Nanos at);

    void receive(std::uint8_t byte, Nanos at) override;
    void run_until(Nanos now) override;
    std::optional<Nanos> next_wakeup() const override;
    std::optional<ProgramExit> finished() const override { return exit_; }
    void skip_stall(Nanos now) override;

    // Downloaded bytes that the board's memory refused (ROM and unmapped space).
    std::size_t refused_bytes() const { return refused_bytes_; }
    // True after STOP: the clocks are halted for good (the board has no IRQ source).
    bool halted() const { return halted_; }
    const hc11::Board& board() const { return board_; }
    hc11::Board& board() { return board_; }

  private:
    void connect(Nanos started_at, const ProcessorSettings& settings);
    Nanos time_of(std::uint64_t cycle) const {
        return origin_ + kCycle * static_cast<std::int64_t>(cycle);
    }
    void transmit(std::uint8_t byte);
    std::string exit_message(std::uint16_t entry) const;

    hc11::Board board_;
    SerialSink& out_;
    Nanos line_char_time_;
    Nanos reached_;    // the latest time the program was asked to run to
    Nanos origin_{0};  // the time of E cycle 0
    std::optional<Nanos> reply_check_;
    std::optional<ProgramExit> exit_;
    bool halted_ = false;
    std::size_t refused_bytes_ = 0;
};

}  // namespace boardsim
