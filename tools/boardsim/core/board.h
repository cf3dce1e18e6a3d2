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
    unsigned baud = 9600;  // 0: no pacing
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
// passes in. The event loop feeds it what the PC wrote, asks when something will happen next, and
// writes out what advance() returns.
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
    bool line_at_start() const override { return line_at_start_; }
    // SerialSink, the line towards the PC
    void transmit(std::uint8_t byte, Nanos at) override;

    bool runs_rom() const { return processor_->runs_rom(); }
    // Whoever answers the line: the ROM on the processor, or the simulated monitor.
    void run_firmware_until(Nanos now);
    std::optional<Nanos> firmware_wakeup() const;
    void sent(std::uint8_t byte, Nanos at);

    BoardConfig config_;
    TrafficLog* log_;
    std::unique_ptr<hc11::Board> processor_;
    PacedWire from_pc_;
    PacedWire to_pc_;
    UsbAdapter adapter_;
    FaultInjector faults_;
    ProcessorProgram program_;
    std::unique_ptr<BuiltinResponder> responder_;
    Monitor monitor_;
    bool line_at_start_ = true;
};

}  // namespace boardsim
