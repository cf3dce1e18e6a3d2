#include "core/board.h"

#include <algorithm>
#include <string>

#include "core/line_rate.h"

namespace boardsim {
namespace {

void take_earliest(std::optional<Nanos>& earliest, std::optional<Nanos> candidate) {
    if (candidate && (!earliest || *candidate < *earliest)) earliest = candidate;
}

std::unique_ptr<hc11::Board> make_processor(const BoardConfig& config) {
    if (config.rom) return std::make_unique<hc11::Board>(*config.rom);
    return std::make_unique<hc11::Board>();
}

constexpr std::uint16_t kSccr2 = hc11::board_map::REGISTERS + hc11::reg::SCCR2;

}  // namespace

Board::Board(const BoardConfig& config, TrafficLog* log, std::ostream* trace)
    : config_(config),
      log_(log),
      processor_(make_processor(config)),
      adapter_(config.usb_latency),
      faults_(config.faults, *this, [this](std::string_view text, Nanos at) { note(text, at); }),
      program_(*processor_, ProcessorSettings{config.paced, trace}),
      monitor_(*processor_, *this,
               MonitorSettings{
                   .auto_reset = config.auto_reset,
                   .end_of_load_pause =
                       config.fast_load ? Nanos{0} : MonitorSettings::kBoardEndOfLoadPause,
               }) {
    processor_->set_transmit_handler([this](std::uint8_t byte) { sci_sent(byte); });
}

void Board::power_on(Nanos now) {
    program_.power_on(now);
    if (runs_rom()) {
        processor_->set_port_e(config_.pe0 ? 0x01 : 0x00);
        if (config_.eeprom) processor_->load(hc11::board_map::EEPROM, *config_.eeprom);
        note(config_.pe0 ? "power on: monitor ROM, PE0 high" : "power on: monitor ROM", now);
        program_.resume(now);
    } else {
        monitor_.reset("power on", now);
    }
    note_rates(now);
}

void Board::press_reset(Nanos now) {
    if (runs_rom()) {
        board_reset("reset button", now);
        program_.reset(now);
    } else {
        monitor_.reset("reset button", now);
    }
    note_rates(now);
}

void Board::set_pc_rate(double bits_per_second, Nanos now) {
    pc_rate_ = bits_per_second;
    note_rates(now);
}

void Board::receive_from_pc(std::span<const std::uint8_t> bytes, Nanos now) {
    for (std::uint8_t b : bytes) from_pc_.push(b, now, config_.paced ? pc_rate_ : 0);
}

std::vector<std::uint8_t> Board::advance(Nanos now) {
    {
        // After a stall of the host the program need not live through every missed moment,
        // only through those before the next character it will receive.
        const std::optional<Nanos> byte_due = from_pc_.next_arrival();
        program_.skip_stall(byte_due ? std::min(*byte_due, now) : now);
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
            deliver(*from_pc_.pop_arrived(now));
        } else if (timer_due && *timer_due <= now) {
            run_firmware_until(*timer_due);
            faults_.run_until(*timer_due);
        } else {
            break;
        }
    }
    while (const auto arrival = to_pc_.pop_arrived(now)) {
        const std::uint8_t byte = faults_.on_the_wire(arrival->byte, arrival->at);
        // The log shows each character as the board sent it, when it has crossed the line,
        // before any adapter holds it back.
        if (log_) log_->byte(TrafficLog::Direction::kSent, byte, arrival->at);
        const bool garbled = config_.paced && !rates_agree(arrival->rate, pc_rate_);
        adapter_.push(garbled ? 0x00 : byte, arrival->at);
    }
    if (log_) log_->flush_if_idle(now);
    return adapter_.take_delivered(now);
}

void Board::deliver(const PacedWire::Arrival& arrival) {
    const auto [byte, at, rate] = arrival;
    if (log_) log_->byte(TrafficLog::Direction::kReceived, byte, at);
    run_firmware_until(at);
    faults_.run_until(at);
    const bool framing_error =
        config_.paced && !rates_agree(rate, processor_->sci_bits_per_second());
    const bool program_listens = program_has_line();
    if (runs_rom()) {
        program_.receive(byte, framing_error, at);
    } else {
        monitor_.receive(byte, at, framing_error);
    }
    if (program_listens && !framing_error) faults_.observe_received(byte, at);
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
        // The peripherals of a held processor catch up before the monitor acts; a program it
        // lets run executes up to `now` or until it returns, and from there the processor is
        // held again.
        program_.hold_until(now);
        monitor_.run_until(now);
        program_.hold_until(now);
    }
    note_rates(now);
}

std::optional<Nanos> Board::firmware_wakeup() const {
    std::optional<Nanos> earliest = program_.next_wakeup();
    if (!runs_rom()) take_earliest(earliest, monitor_.next_wakeup());
    return earliest;
}

double Board::board_rate() const {
    return config_.paced ? processor_->sci_bits_per_second() : 0;
}

void Board::sci_sent(std::uint8_t byte) {
    // The wire adds the character's own time: it gets the character as its start bit went out.
    const double rate = board_rate();
    const Nanos started = program_.present() - PacedWire::char_time_for_baud(rate);
    // The program's characters pass the fault injection, even those it left in the SCI at a
    // stop; the monitor's do not.
    if (processor_->sci_sent_monitor_output() && !program_has_line()) {
        put_on_wire(byte, started);
    } else {
        faults_.transmit(byte, started);
    }
}

void Board::send_from_firmware(std::uint8_t byte, Nanos at) {
    if (!config_.paced) {
        if (program_has_line()) {
            faults_.transmit(byte, at);
        } else {
            put_on_wire(byte, at);
        }
        return;
    }
    switch_transmitter_on();
    processor_->sci_send(byte);
}

void Board::put_on_wire(std::uint8_t byte, Nanos at) {
    to_pc_.push(byte, at, board_rate());
}

bool Board::line_at_start() const {
    // The monitor's characters count when it prints them, the program's when they leave the SCI;
    // those the program left in the SCI go out before anything the monitor prints now.
    bool at_start = line_at_start_;
    for (const std::uint8_t byte : processor_->sci_program_characters_unsent()) {
        at_start = at_start_after(byte, at_start);
    }
    return at_start;
}

void Board::switch_transmitter_on() {
    // The monitor talks through the SCI whatever the program left in SCCR2.
    const std::uint8_t control = processor_->read(kSccr2);
    if ((control & hc11::sci_bits::TE) == 0) {
        processor_->write(kSccr2, control | hc11::sci_bits::TE | hc11::sci_bits::RE);
    }
}

void Board::monitor_output(std::string_view text, Nanos at) {
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        note_line_position(byte);
        send_from_firmware(byte, at);
    }
}

RunningProgram& Board::start_program(Nanos at, std::optional<std::uint16_t> stop_at) {
    if (config_.runner == ProgramRunner::kBuiltinResponder) {
        responder_ = std::make_unique<BuiltinResponder>(*processor_, responder_output_,
                                                        config_.counter_address, at);
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
    program_.hold(at);
    // The SCI with the rest: what it still held is lost, and it runs at 9600 baud again.
    processor_->reset();
    // The registers a program finds when it is started with g alone: the stack below the
    // monitor's variables, interrupts masked, P at the usual start of a program.
    processor_->go(hc11::board_map::PROGRAM_START);
}

void Board::note(std::string_view text, Nanos at) {
    if (log_) log_->note(text, at);
}

void Board::note_rates(Nanos at) {
    if (!config_.paced) return;
    const double sci_rate = processor_->sci_bits_per_second();
    if (sci_rate == noted_sci_rate_ && pc_rate_ == noted_pc_rate_) return;
    noted_sci_rate_ = sci_rate;
    noted_pc_rate_ = pc_rate_;
    std::string text =
        "line: the board's SCI at " + rate_text(sci_rate) + ", the PC at " + rate_text(pc_rate_);
    if (!rates_agree(pc_rate_, sci_rate)) {
        text += " (more than 3 % apart: the SCI receives framing errors, the PC NULs)";
    }
    note(text, at);
}

void Board::transmit(std::uint8_t byte, Nanos at) {
    // What the program left in the SCI at a stop was counted when the monitor took over.
    if (program_has_line()) note_line_position(byte);
    put_on_wire(byte, at);
}

}  // namespace boardsim
