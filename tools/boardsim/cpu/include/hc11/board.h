// The CME11E9 board: the processor, its memory map, the SCI, the timer and the EEPROM.
//
// It runs in one of two ways. Built without a ROM image, the monitor lives on the host side and
// the board keeps two of its traces, as a program downloaded through the monitor finds them: its
// ROM routes every interrupt vector to a three-byte JMP slot in internal RAM (the SCI's at 00C4,
// the RTI's at 00EB, the IRQ's at 00EE, the SWI's at 00F4, ..., three bytes apart from 00C4 to
// 00FD), so a program installs a handler by writing a JMP into that slot, as it does on the real
// board; and after reset the SCI runs at 9600 baud with transmitter and receiver on. A slot the
// program leaves alone jumps back into the monitor ROM: so do SWI (the usual way for a program to
// end) and a jump into E000-FFFF. `run_cycles` then returns `StopReason::monitor`.
//
// Built with a ROM image (a monitor ROM of E000-FFFF), the board is the bare chip on the board:
// reset leaves every register in its reset state and takes the PC from the image's reset vector,
// and the ROM's own code does all the rest. `run_cycles` never stops for the monitor then.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "hc11/cpu.h"
#include "hc11/eeprom_programmer.h"
#include "hc11/memory_map.h"
#include "hc11/output_compare.h"
#include "hc11/sci.h"
#include "hc11/timer.h"

namespace hc11 {

// The monitor ROM's contents, E000-FFFF, and the EEPROM's, B600-B7FF.
using RomImage = std::array<std::uint8_t, board_map::MONITOR_ROM_SIZE>;
using EepromImage = std::array<std::uint8_t, board_map::EEPROM_SIZE>;

enum class StopReason : std::uint8_t {
    time_used,         // the cycles asked for have passed
    monitor,           // the program entered the monitor ROM (SWI, unhandled interrupt, JMP)
    stop_instruction,  // STOP with S clear and neither IRQ nor XIRQ asserted
};

struct RunResult {
    std::uint64_t cycles = 0;
    StopReason reason = StopReason::time_used;
    std::uint16_t address = 0;  // where the processor was when it stopped
};

// Words for a monitor entry address, e.g. "SWI" or "SCI interrupt without a handler".
std::string describe_monitor_entry(std::uint16_t address);

class Board final : private Peripherals {
  public:
    static constexpr std::uint32_t e_clock_hz = 2'000'000;

    // The monitor on the host side.
    Board();
    // The monitor ROM `rom` runs on the processor from reset.
    explicit Board(const RomImage& rom);
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    // The reset button: processor and peripherals to their reset state. Memory keeps its
    // contents. Without a ROM image the monitor's setup is applied as well (pseudo-vectors, SCI
    // at 9600 baud, EEPROM unprotected); with one, the ROM starts from its reset vector.
    void reset();
    bool runs_rom() const { return monitor_entry_ > 0xFFFF; }

    // The monitor's go command: PC = address, SP = 0041, CCR = D0 (interrupts masked).
    void go(std::uint16_t address);

    // Runs for `cycles` E-clock cycles of simulated time, or until the program stops.
    // While the processor waits (WAI) time advances straight to the next peripheral event.
    RunResult run_cycles(std::uint64_t cycles);
    // Lets `cycles` E-clock cycles pass with the processor held, as the monitor holds it between
    // two runs of the program: nothing executes and no interrupt is taken, while the peripherals
    // run on (the timer counts, the output compares drive their pins and set their flags, the SCI
    // sends what it holds, each character at its own cycle).
    void hold(std::uint64_t cycles);

    // Host access, as the monitor has it: `load` and `write` store into RAM, EEPROM and the
    // register block and refuse ROM and unmapped space; `read` has no side effects.
    std::size_t load(std::uint16_t address, std::span<const std::uint8_t> bytes);
    bool write(std::uint16_t address, std::uint8_t value);
    std::uint8_t read(std::uint16_t address) const { return memory_.peek(address); }

    // The serial line. Received bytes queue on the line and enter the SCI one character time
    // apart; transmitted bytes go to the handler, or are kept for `take_transmitted`.
    void sci_receive(std::uint8_t byte);
    // For hosts that time the line themselves: the byte's stop bit arrives at this very cycle,
    // with the SCSR error flags `errors` (sci_bits::FE, sci_bits::NF) when the line spoilt it.
    void sci_receive_complete(std::uint8_t byte, std::uint8_t errors = 0);
    // The time one character takes on the line at the rate the program's BAUD (and SCCR1's M)
    // sets: in E cycles, and as the line's bits per second.
    std::uint64_t sci_character_cycles() const { return sci_.character_cycles(); }
    double sci_bits_per_second() const {
        return static_cast<double>(e_clock_hz) / static_cast<double>(sci_.bit_cycles());
    }
    void set_transmit_handler(Sci::TransmitHandler handler);
    std::vector<std::uint8_t> take_transmitted();
    // Sends a character as the monitor does: its output routine puts each character into SCDR
    // as soon as TDRE says the data register is empty, so they leave back to back at the rate
    // BAUD sets.
    void sci_send(std::uint8_t byte);
    // In the transmit handler: whether the character that has just left was sent by sci_send
    // (the monitor) rather than written to SCDR by the program.
    bool sci_sent_monitor_output() const { return sci_.sent_from_outbox(); }
    // The program's characters still in the SCI, oldest first: they leave before anything the
    // monitor sends from now on.
    std::vector<std::uint8_t> sci_program_characters_unsent() const {
        return sci_.program_characters_unsent();
    }

    // The levels of the PORTE input pins (bit 0 is PE0); all low unless set.
    void set_port_e(std::uint8_t pins) { port_e_pins_ = pins; }
    // Called whenever port A's output pins change (an output compare, CFORC, a PORTA write),
    // with the cycle of the change: a compare's cycle exactly, even if the board sees it later.
    void set_port_a_observer(OutputCompares::PinObserver observer) {
        compares_.set_pin_observer(std::move(observer));
    }

    void set_irq(bool asserted);
    void set_xirq(bool asserted);
    void set_trace(TraceHandler handler) { cpu_.set_trace(std::move(handler)); }

    Cpu& cpu() { return cpu_; }
    const Cpu& cpu() const { return cpu_; }
    Registers& regs() { return cpu_.regs(); }
    std::uint64_t cycles() const { return cpu_.cycles(); }
    // The cycle at which the SCI or the timer next changes a flag by itself.
    std::uint64_t next_peripheral_event() const { return next_event_; }
    // The cycle of the next event that can end a WAI or send a character: an output compare,
    // the timer's overflow or its real-time tick with their interrupt enabled, or the SCI's next
    // event. A flag nobody asked to be interrupted by can be set later, whenever the processor
    // runs on: it changes nothing until the program looks.
    std::uint64_t next_wake_event() const {
        return std::min(
            {sci_.next_event(), compares_.next_interrupt_event(), timer_.next_interrupt_event()});
    }
    const Sci& sci() const { return sci_; }
    const Timer& timer() const { return timer_; }
    const OutputCompares& output_compares() const { return compares_; }

  private:
    std::uint8_t read_register(std::uint8_t offset) override;
    void write_register(std::uint8_t offset, std::uint8_t value) override;
    std::uint8_t peek_register(std::uint8_t offset) const override;
    void write_eeprom(std::uint16_t address, std::uint8_t value) override;

    void install_monitor_rom();
    void apply_monitor_setup();
    void install_pseudo_vectors();
    bool inside_protected_window() const;
    void service_peripherals();
    void refresh_interrupts();

    MemoryMap memory_;
    Cpu cpu_{memory_};
    Sci sci_;
    Timer timer_;
    OutputCompares compares_;
    EepromProgrammer eeprom_{memory_};
    std::array<std::uint8_t, 64> plain_registers_{};  // registers without behaviour here
    std::uint64_t next_event_ = 0;
    // The processor stops for the host's monitor when its PC reaches this; beyond FFFF with a ROM.
    std::uint32_t monitor_entry_ = board_map::MONITOR_ROM;
    // OPTION, TMSK2 and BPROT take their protected bits only before this cycle.
    std::uint64_t protected_window_end_ = 0;
    std::uint8_t port_e_pins_ = 0;
    bool irq_pin_ = false;
    bool xirq_pin_ = false;
    std::vector<std::uint8_t> transmitted_;
};

}  // namespace hc11
