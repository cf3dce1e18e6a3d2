#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string_view>
#include <vector>

#include "core/builtin_responder.h"
#include "core/fault_injector.h"
#include "core/fault_options.h"
#include "core/monitor.h"
#include "core/paced_wire.h"
#include "core/processor_program.h"
#include "core/sim_time.h"
#include "core/traffic_log.h"
#include "core/usb_adapter.h"
#include "hc11/board.h"

namespace boardsim {

// What "go" starts.
enum class ProgramRunner {
    kProcessor,         // the 68HC11 core executes the downloaded program
    kBuiltinResponder,  // the board answers the memory requests itself (see BuiltinResponder)
};

struct BoardConfig {
    // Both directions of the line paced: the PC's characters at the rate its serial port is set
    // to, the board's at the rate the SCI's BAUD register sets. Off (--baud 0), every character
    // passes at once and the two rates are not compared.
    bool paced = true;
    bool auto_reset = true;
    bool fast_load = false;  // the monitor answers at once after the end record of a load
    Nanos usb_latency{0};    // a USB-serial adapter's latency timer on the way to the PC; 0: none
    ProgramRunner runner = ProgramRunner::kProcessor;
    std::optional<std::uint16_t> counter_address;  // the built-in responder's counter
    FaultOptions faults;
    // With a monitor ROM image the processor runs it from reset and there is no simulated
    // monitor (auto_reset, runner and counter_address do not apply then).
    std::optional<hc11::RomImage> rom;
    std::optional<hc11::EepromImage> eeprom;  // the EEPROM's contents at power-on
    bool pe0 = false;                         // the level of the PE0 pin
};

// The whole simulated board behind its serial connector: the line paced in both directions,
// the monitor, the one processor and memory it lets the program run on and the fault injection,
// and on the PC's side a USB-serial adapter if one is asked for, all driven by the time the caller
// passes in. The event loop feeds it what the PC wrote and the rate the PC's port is set to, asks
// when something will happen next, and writes out what advance() returns.
//
// Everything the board sends leaves through the processor's SCI, at the rate its BAUD register
// sets (9600 baud after a reset): the program's characters, the monitor's (the monitor keeps the
// rate the program left) and the built-in responder's. The PC's characters take the time the PC's
// rate gives them. When the two rates differ by more than 3 %, every character from the PC reaches
// the SCI with a framing error, and every character from the board reaches the PC as a NUL, as
// Linux passes a character with a framing error.
//
// With a monitor ROM image (BoardConfig::rom) the simulated monitor stays out of it: the
// processor runs the ROM from power-on, every character goes to its SCI, and the reset button
// restarts the ROM with the processor's memory as it was.
class Board : private MonitorHost, private SerialSink {
  public:
    // `trace`, when given, receives one line per instruction the processor executes.
    explicit Board(const BoardConfig& config, TrafficLog* log = nullptr,
                   std::ostream* trace = nullptr);

    // Power on: the monitor's banner (it waits for a CR before its prompt), or the ROM's start.
    void power_on(Nanos now);
    // The reset button.
    void press_reset(Nanos now);
    // The rate, in bits per second, that the PC's serial port is set to: 9600 until said otherwise.
    void set_pc_rate(double bits_per_second, Nanos now);
    // Characters the PC has written; they reach the board one character time apart.
    void receive_from_pc(std::span<const std::uint8_t> bytes, Nanos now);
    // Runs everything due by `now` and returns the characters that have reached the PC.
    std::vector<std::uint8_t> advance(Nanos now);
    // When advance() next has something to do; nullopt while the board waits for input.
    std::optional<Nanos> next_event() const;
    // The line should be closed now (--hangup-after).
    bool hung_up() const;

    const Monitor& monitor() const { return monitor_; }
    // The board's processor and its memory: what the program runs on and the monitor shows.
    hc11::Board& processor() { return *processor_; }

  private:
    // MonitorHost
    void monitor_output(std::string_view text, Nanos at) override;
    RunningProgram& start_program(Nanos at, std::optional<std::uint16_t> stop_at) override;
    void board_reset(std::string_view reason, Nanos at) override;
    void note(std::string_view text, Nanos at) override;
    bool line_at_start() const override;
    // SerialSink: what the program sends, past the fault injection, towards the PC.
    void transmit(std::uint8_t byte, Nanos at) override;

    bool runs_rom() const { return processor_->runs_rom(); }
    // The program has the line, not the monitor: a ROM always does (it starts its programs).
    bool program_has_line() const {
        return runs_rom() || monitor_.state() == Monitor::State::kRunning;
    }
    // Whoever answers the line: the ROM on the processor, or the simulated monitor.
    void run_firmware_until(Nanos now);
    std::optional<Nanos> firmware_wakeup() const;
    // A character from the PC has crossed the line.
    void deliver(const PacedWire::Arrival& arrival);
    // The SCI has sent `byte`: its stop bit has just left.
    void sci_sent(std::uint8_t byte);
    // The monitor's and the built-in responder's characters go into the SCI as the monitor's code
    // would put them there; without pacing they go on at once.
    void send_from_firmware(std::uint8_t byte, Nanos at);
    void put_on_wire(std::uint8_t byte, Nanos at);
    // The rate the board's characters cross the line at: the SCI's; zero without pacing.
    double board_rate() const;
    void switch_transmitter_on();
    // Whether the line stands at its start after `byte`, when it stood there before or not.
    static bool at_start_after(std::uint8_t byte, bool before) {
        // The NUL after a line end is padding: the line still stands at its start.
        return byte == '\0' ? before : byte == '\n';
    }
    void note_line_position(std::uint8_t byte) {
        line_at_start_ = at_start_after(byte, line_at_start_);
    }
    // A line in the log whenever either end's rate has changed.
    void note_rates(Nanos at);

    // Where the built-in responder sends.
    class ResponderOutput : public SerialSink {
      public:
        explicit ResponderOutput(Board& board) : board_(board) {}
        void transmit(std::uint8_t byte, Nanos at) override { board_.send_from_firmware(byte, at); }

      private:
        Board& board_;
    };

    BoardConfig config_;
    TrafficLog* log_;
    std::unique_ptr<hc11::Board> processor_;
    double pc_rate_ = 9600;
    double noted_pc_rate_ = 0;
    double noted_sci_rate_ = 0;
    PacedWire from_pc_;
    PacedWire to_pc_;
    UsbAdapter adapter_;
    FaultInjector faults_;
    ProcessorProgram program_;
    ResponderOutput responder_output_{*this};
    std::unique_ptr<BuiltinResponder> responder_;
    Monitor monitor_;
    bool line_at_start_ = true;
};

}  // namespace boardsim
