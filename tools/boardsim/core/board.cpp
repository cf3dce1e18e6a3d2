#include "core/board.h"

#include <algorithm>
#include <string>

namespace boardsim {
namespace {

void take_earliest(std::optional<Nanos>& earliest, std::optional<Nanos> candidate) {
    if (candidate && (!earliest || *candidate < *earliest)) earliest = candidate;
}

std::unique_ptr<hc11::Board> make_processor(const BoardConfig& config) {
    if (config.rom) return std::make_unique<hc11::Board>(*config.rom);
    return std::make_unique<hc11::Board>();
}

}  // namespace

Board::Board(const BoardConfig& config, TrafficLog* log, std::ostream* trace)
    : config_(config),
      log_(log),
      processor_(make_processor(config)),
      from_pc_(PacedWire::char_time_for_baud(config.baud)),
      to_pc_(PacedWire::char_time_for_baud(config.baud)),
      adapter_(config.usb_latency),
      faults_(config.faults, *this, [this](std::string_view text, Nanos at) { note(text, at); }),
      program_(*processor_, faults_, ProcessorSettings{from_pc_.char_time(), trace}),
      monitor_(*processor_, *this,
               MonitorSettings{
                   .auto_reset = config.auto_reset,
                   .end_of_load_pause =
                       config.fast_load ? Nanos{0} : MonitorSettings::kBoardEndOfLoadPause,
               }) {}

void Board::power_on(Nanos now) {
    if (runs_rom()) {
        processor_->set_port_e(config_.pe0 ? 0x01 : 0x00);
        if (config_.eeprom) processor_->load(hc11::board_map::EEPROM, *config_.eeprom);
        note(config_.pe0 ? "power on: monitor ROM, PE0 high" : "power on: monitor ROM", now);
        program_.resume(now);
        return;
    }
    monitor_.reset("power on", now);
}

void Board::press_reset(Nanos now) {
    if (runs_rom()) {
        board_reset("reset button", now);
        program_.reset(now);
        return;
    }
    monitor_.reset("reset button", now);
}

void Board::receive_from_pc(std::span<const std::uint8_t> bytes, Nanos now) {
    for (std::uint8_t b : bytes) from_pc_.push(b, now);
}

std::vector<std::uint8_t> Board::advance(Nanos now) {
    {
        // After a stall of the host the program need not live through every missed moment,
        // only through those before the next character it will receive.
        const std::optional<Nanos> byte_due = from_pc_.next_arrival();
        const Nanos reached = byte_due ? std::min(*byte_due, now) : now;
        if (runs_rom()) {
            program_.skip_stall(reached);
        } else {
            monitor_.skip_stall(reached);
        }
    }
    // Events are handled in time order, so a reply leaves after the request that caused it
    // and the counter ticks between characters as it would on the board.
    for (;;) {
        const std::optional<Nanos> byte_due = from_pc_.next_arrival();
        std::optional<Nanos> timer_due;
        take_earliest(timer_due, firmware_wakeup());
        take_earliest(timer_due, faults_.next_wakeup());
        const bool byte_first =
            byte_due && *byte_due <= now && (!timer_due || *byte_due <= *timer_due);
        if (byte_first) {
            const auto [byte, at] = *from_pc_.pop_arrived(now);
            if (log_) log_->byte(TrafficLog::Direction::kReceived, byte, at);
            run_firmware_until(at);
            faults_.run_until(at);
            // A ROM shares the line with the programs it starts: any of it may be a request.
            const bool program_listens = runs_rom() || monitor_.state() == Monitor::State::kRunning;
            if (runs_rom()) {
                program_.receive(byte, at);
            } else {
                monitor_.receive(byte, at);
            }
            if (program_listens) faults_.observe_received(byte, at);
        } else if (timer_due && *timer_due <= now) {
            run_firmware_until(*timer_due);
            faults_.run_until(*timer_due);
        } else {
            break;
        }
    }
    while (const auto arrival = to_pc_.pop_arrived(now)) {
        const std::uint8_t byte = faults_.on_the_wire(arrival->byte, arrival->at);
        // The log shows each character when it has crossed the line, before any adapter
        // holds it back.
        if (log_) log_->byte(TrafficLog::Direction::kSent, byte, arrival->at);
        adapter_.push(byte, arrival->at);
    }
    if (log_) log_->flush_if_idle(now);
    return adapter_.take_delivered(now);
}

std::optional<Nanos> Board::next_event() const {
    std::optional<Nanos> earliest;
    take_earliest(earliest, from_pc_.next_arrival());
    take_earliest(earliest, to_pc_.next_arrival());
    take_earliest(earliest, adapter_.next_delivery());
    take_earliest(earliest, firmware_wakeup());
    take_earliest(earliest, faults_.next_wakeup());
    if (log_) take_earliest(earliest, log_->idle_deadline());
    return earliest;
}

bool Board::hung_up() const {
    return faults_.hangup_due() && to_pc_.empty() && adapter_.empty();
}

void Board::run_firmware_until(Nanos now) {
    if (runs_rom()) {
        program_.run_until(now);
    } else {
        monitor_.run_until(now);
    }
}

std::optional<Nanos> Board::firmware_wakeup() const {
    return runs_rom() ? program_.next_wakeup() : monitor_.next_wakeup();
}

void Board::sent(std::uint8_t byte, Nanos at) {
    // The NUL after a line end is padding: the line still stands at its start.
    if (byte != '\0') line_at_start_ = byte == '\n';
    to_pc_.push(byte, at);
}

void Board::monitor_output(std::string_view text, Nanos at) {
    for (char c : text) sent(static_cast<std::uint8_t>(c), at);
}

RunningProgram& Board::start_program(Nanos at, std::optional<std::uint16_t> stop_at) {
    if (config_.runner == ProgramRunner::kBuiltinResponder) {
        responder_ =
            std::make_unique<BuiltinResponder>(*processor_, faults_, config_.counter_address, at);
        return *responder_;
    }
    program_.resume(at, stop_at);
    return program_;
}

void Board::board_reset(std::string_view reason, Nanos at) {
    to_pc_.drop_waiting(at);
    faults_.reset();
    note("reset: " + std::string(reason), at);
    if (runs_rom()) return;
    responder_.reset();
    program_.stand_still();
    processor_->reset();
    // The registers a program finds when it is started with g alone: the stack below the
    // monitor's variables, interrupts masked, P at the usual start of a program.
    processor_->go(hc11::board_map::PROGRAM_START);
}

void Board::note(std::string_view text, Nanos at) {
    if (log_) log_->note(text, at);
}

void Board::transmit(std::uint8_t byte, Nanos at) {
    sent(byte, at);
}

}  // namespace boardsim
