#include "hc11/board.h"

#include <algorithm>
#include <cstdio>

namespace hc11 {

namespace {

constexpr std::uint8_t JMP_EXTENDED = 0x7E;

// Where an untouched pseudo-vector leads: E0xx, xx being the low byte of its vector.
constexpr std::uint16_t monitor_trap_for(std::uint16_t vector_address) {
    return static_cast<std::uint16_t>(board_map::MONITOR_ROM | (vector_address & 0xFF));
}

const char* vector_name(std::uint16_t vector_address) {
    switch (vector_address) {
        case 0xFFD6:
            return "SCI interrupt";
        case 0xFFD8:
            return "SPI interrupt";
        case 0xFFDA:
            return "pulse accumulator input interrupt";
        case 0xFFDC:
            return "pulse accumulator overflow interrupt";
        case 0xFFDE:
            return "timer overflow interrupt";
        case 0xFFE0:
            return "output compare 5 interrupt";
        case 0xFFE2:
            return "output compare 4 interrupt";
        case 0xFFE4:
            return "output compare 3 interrupt";
        case 0xFFE6:
            return "output compare 2 interrupt";
        case 0xFFE8:
            return "output compare 1 interrupt";
        case 0xFFEA:
            return "input capture 3 interrupt";
        case 0xFFEC:
            return "input capture 2 interrupt";
        case 0xFFEE:
            return "input capture 1 interrupt";
        case 0xFFF0:
            return "real-time interrupt";
        case 0xFFF2:
            return "IRQ interrupt";
        case 0xFFF4:
            return "XIRQ interrupt";
        case 0xFFF6:
            return "SWI";
        case 0xFFF8:
            return "illegal opcode";
        case 0xFFFA:
            return "COP failure";
        case 0xFFFC:
            return "clock monitor failure";
        default:
            return nullptr;
    }
}

bool is_output_compare_register(std::uint8_t offset) {
    switch (offset) {
        case reg::PORTA:
        case reg::CFORC:
        case reg::OC1M:
        case reg::OC1D:
        case reg::TCTL1:
        case reg::TMSK1:
        case reg::TFLG1:
            return true;
        default:
            return offset >= reg::TOC1_HI && offset <= reg::TI4O5_LO;
    }
}

// The vector HPRIO's PSEL bits raise above every other maskable interrupt.
constexpr std::uint16_t promoted_vector(std::uint8_t psel) {
    if (psel <= 4) return static_cast<std::uint16_t>(vector::TOF - 2 * psel);  // TOF ... SCI
    if (psel <= 6) return vector::IRQ;  // 0101 is reserved and means IRQ too
    return static_cast<std::uint16_t>(vector::RTI - 2 * (psel - 7));  // RTI, IC1 ... OC5
}

}  // namespace

std::string describe_monitor_entry(std::uint16_t address) {
    if ((address & 0xFF00) == board_map::MONITOR_ROM) {
        const auto vector_address = static_cast<std::uint16_t>(0xFF00 | (address & 0xFF));
        if (const char* name = vector_name(vector_address)) {
            std::string text = name;
            if (vector_address != vector::SWI && vector_address != vector::ILLEGAL_OPCODE) {
                text += " without a handler";
            }
            return text;
        }
    }
    char text[48];
    std::snprintf(text, sizeof text, "jump into the monitor at %04X", address);
    return text;
}

Board::Board() {
    memory_.attach(this);
    install_monitor_rom();
    sci_.set_transmit_handler([this](std::uint8_t byte) { transmitted_.push_back(byte); });
    reset();
}

Board::Board(const RomImage& rom) : monitor_entry_(0x10000) {
    memory_.attach(this);
    for (std::size_t i = 0; i < rom.size(); ++i) {
        memory_.cell(static_cast<std::uint16_t>(board_map::MONITOR_ROM + i)) = rom[i];
    }
    sci_.set_transmit_handler([this](std::uint8_t byte) { transmitted_.push_back(byte); });
    reset();
}

void Board::install_monitor_rom() {
    for (std::uint16_t v = vector::FIRST; v < vector::RESET; v += 2) {
        const std::uint16_t slot = pseudo_vector_for(v);
        memory_.cell(v) = static_cast<std::uint8_t>(slot >> 8);
        memory_.cell(static_cast<std::uint16_t>(v + 1)) = static_cast<std::uint8_t>(slot);
    }
    memory_.cell(vector::RESET) = static_cast<std::uint8_t>(board_map::MONITOR_ROM >> 8);
    memory_.cell(vector::RESET + 1) = static_cast<std::uint8_t>(board_map::MONITOR_ROM);
}

void Board::install_pseudo_vectors() {
    for (std::uint16_t v = vector::FIRST; v < vector::RESET; v += 2) {
        const std::uint16_t slot = pseudo_vector_for(v);
        const std::uint16_t target = monitor_trap_for(v);
        memory_.cell(slot) = JMP_EXTENDED;
        memory_.cell(static_cast<std::uint16_t>(slot + 1)) = static_cast<std::uint8_t>(target >> 8);
        memory_.cell(static_cast<std::uint16_t>(slot + 2)) = static_cast<std::uint8_t>(target);
    }
}

void Board::reset() {
    plain_registers_.fill(0);
    plain_registers_[reg::BPROT] = reset_value::BPROT;
    plain_registers_[reg::OPTION] = reset_value::OPTION;
    plain_registers_[reg::HPRIO] = reset_value::HPRIO;
    plain_registers_[reg::INIT] = reset_value::INIT;
    plain_registers_[reg::CONFIG] = reset_value::CONFIG;
    sci_.reset();
    timer_.reset(cpu_.cycles());
    compares_.reset(timer_, cpu_.cycles());
    protected_window_end_ = cpu_.cycles() + Timer::protected_window_cycles;
    eeprom_.reset();
    cpu_.reset();
    if (!runs_rom()) apply_monitor_setup();
    refresh_interrupts();
}

void Board::apply_monitor_setup() {
    install_pseudo_vectors();
    // Programs have always found the EEPROM writable.
    plain_registers_[reg::BPROT] = 0x00;
    // 9600 baud, transmitter and receiver on.
    const std::uint64_t now = cpu_.cycles();
    sci_.write(reg::BAUD, 0x30, now);
    sci_.write(reg::SCCR2, sci_bits::TE | sci_bits::RE, now);
    // The monitor's banner has long been sent: no idle preamble is pending.
    sci_.advance(now + sci_.character_cycles());
}

void Board::go(std::uint16_t address) {
    Registers& r = cpu_.regs();
    r.sp = board_map::DEFAULT_USER_STACK;
    r.ccr = ccr::S | ccr::X | ccr::I;
    cpu_.start_at(address);
    // The monitor has run far longer than the protected window since reset.
    timer_.close_protected_window();
    protected_window_end_ = 0;
}

bool Board::inside_protected_window() const {
    return cpu_.cycles() < protected_window_end_;
}

RunResult Board::run_cycles(std::uint64_t cycles) {
    const std::uint64_t start = cpu_.cycles();
    const std::uint64_t end = start + cycles;
    while (cpu_.cycles() < end) {
        if (cpu_.state() == CpuState::stopped) {
            if (!irq_pin_ && !xirq_pin_) {
                return {cpu_.cycles() - start, StopReason::stop_instruction, cpu_.regs().pc};
            }
            cpu_.leave_stop();
        }
        const std::uint16_t pc = cpu_.regs().pc;
        if (pc >= monitor_entry_ && cpu_.state() == CpuState::running) {
            return {cpu_.cycles() - start, StopReason::monitor, pc};
        }
        if (cpu_.step() == 0 && cpu_.state() == CpuState::waiting) {
            cpu_.idle(std::min(next_event_, end) - cpu_.cycles());
        }
        if (cpu_.cycles() >= next_event_) service_peripherals();
    }
    return {cpu_.cycles() - start, StopReason::time_used, cpu_.regs().pc};
}

void Board::hold(std::uint64_t cycles) {
    const std::uint64_t end = cpu_.cycles() + cycles;
    // Only the SCI needs to be met at its events: its transmit handler sees the cycle a character
    // leaves. The timer and the compares work out everything up to any later cycle by themselves.
    while (cpu_.cycles() < end) {
        const std::uint64_t next = std::max(cpu_.cycles(), std::min(sci_.next_event(), end));
        cpu_.idle(next - cpu_.cycles());
        service_peripherals();
    }
}

void Board::service_peripherals() {
    const std::uint64_t now = cpu_.cycles();
    timer_.advance(now);
    compares_.advance(timer_, now);
    sci_.advance(now);
    refresh_interrupts();
}

// Recomputes the interrupt line and the next moment a peripheral needs attention. The chip's
// fixed priority follows the vectors' addresses (IRQ, RTI, the input captures, OC1 ... OC5,
// timer overflow, pulse accumulator, SPI, SCI); HPRIO's PSEL raises one source above them all.
void Board::refresh_interrupts() {
    const std::uint16_t promoted = promoted_vector(plain_registers_[reg::HPRIO] & 0x0F);
    std::uint16_t highest = 0;
    bool promoted_pending = false;
    auto request = [&](bool requested, std::uint16_t vector_address) {
        if (!requested) return;
        promoted_pending = promoted_pending || vector_address == promoted;
        highest = std::max(highest, vector_address);
    };
    request(irq_pin_, vector::IRQ);
    request(timer_.real_time_interrupt(), vector::RTI);
    if (const std::uint8_t compares = compares_.interrupts(); compares != 0) {
        for (int i = 0; i < OutputCompares::count; ++i) {
            request((compares & (0x80 >> i)) != 0, static_cast<std::uint16_t>(vector::OC1 - 2 * i));
        }
    }
    request(timer_.overflow_interrupt(), vector::TOF);
    request(sci_.interrupt_pending(), vector::SCI);
    cpu_.set_pending_vector(promoted_pending ? promoted : highest);
    next_event_ = std::min({timer_.next_event(), compares_.next_event(), sci_.next_event()});
}

std::size_t Board::load(std::uint16_t address, std::span<const std::uint8_t> bytes) {
    std::size_t stored = 0;
    for (const std::uint8_t byte : bytes) {
        if (memory_.poke(address++, byte)) ++stored;
    }
    return stored;
}

bool Board::write(std::uint16_t address, std::uint8_t value) {
    return memory_.poke(address, value);
}

void Board::sci_receive(std::uint8_t byte) {
    sci_.receive(byte, cpu_.cycles());
    refresh_interrupts();
}

void Board::sci_receive_complete(std::uint8_t byte, std::uint8_t errors) {
    sci_.receive_complete(byte, cpu_.cycles(), errors);
    refresh_interrupts();
}

void Board::sci_send(std::uint8_t byte) {
    sci_.send(byte, cpu_.cycles());
    refresh_interrupts();
}

void Board::set_transmit_handler(Sci::TransmitHandler handler) {
    if (handler) {
        sci_.set_transmit_handler(std::move(handler));
    } else {
        sci_.set_transmit_handler([this](std::uint8_t byte) { transmitted_.push_back(byte); });
    }
}

std::vector<std::uint8_t> Board::take_transmitted() {
    std::vector<std::uint8_t> bytes;
    bytes.swap(transmitted_);
    return bytes;
}

void Board::set_irq(bool asserted) {
    irq_pin_ = asserted;
    refresh_interrupts();
}

void Board::set_xirq(bool asserted) {
    xirq_pin_ = asserted;
    cpu_.set_xirq(asserted);
}

std::uint8_t Board::read_register(std::uint8_t offset) {
    const std::uint64_t now = cpu_.cycles();
    switch (offset) {
        case reg::TFLG2:
            timer_.advance(now);
            refresh_interrupts();
            return timer_.tflg2();
        case reg::PORTA:
        case reg::TFLG1:
            compares_.advance(timer_, now);
            refresh_interrupts();
            return compares_.read(offset);
        case reg::BAUD:
        case reg::SCCR1:
        case reg::SCCR2:
        case reg::SCSR:
        case reg::SCDR: {
            const std::uint8_t value = sci_.read(offset, now);
            refresh_interrupts();
            return value;
        }
        default:
            return peek_register(offset);
    }
}

std::uint8_t Board::peek_register(std::uint8_t offset) const {
    const std::uint64_t now = cpu_.cycles();
    if (is_output_compare_register(offset)) return compares_.read(offset);
    switch (offset) {
        case reg::PORTE:
            return port_e_pins_;
        case reg::TCNT_HI:
            return static_cast<std::uint8_t>(timer_.tcnt(now) >> 8);
        case reg::TCNT_LO:
            return static_cast<std::uint8_t>(timer_.tcnt(now));
        case reg::TMSK2:
            return timer_.tmsk2();
        case reg::TFLG2:
            return timer_.tflg2();
        case reg::PACTL:
            return timer_.pactl();
        case reg::BAUD:
        case reg::SCCR1:
        case reg::SCCR2:
        case reg::SCSR:
        case reg::SCDR:
            return sci_.peek(offset);
        case reg::PPROG:
            return eeprom_.pprog();
        default:
            return plain_registers_[offset];
    }
}

void Board::write_register(std::uint8_t offset, std::uint8_t value) {
    const std::uint64_t now = cpu_.cycles();
    std::uint8_t& stored = plain_registers_[offset];
    if (is_output_compare_register(offset)) {
        compares_.write(offset, value, timer_, now);
        refresh_interrupts();
        return;
    }
    switch (offset) {
        case reg::PORTE:
        case reg::TCNT_HI:
        case reg::TCNT_LO:
            break;  // read-only outside the chip's test modes
        case reg::TMSK2:
            timer_.write_tmsk2(value, now);
            compares_.reschedule(timer_, now);  // the prescaler may have changed
            break;
        case reg::TFLG2:
            timer_.write_tflg2(value);
            break;
        case reg::PACTL:
            timer_.write_pactl(value, now);
            compares_.set_oc5_enabled((value & timer_bits::I4_O5) == 0, timer_, now);
            break;
        case reg::BAUD:
        case reg::SCCR1:
        case reg::SCCR2:
        case reg::SCSR:
        case reg::SCDR:
            sci_.write(offset, value, now);
            break;
        case reg::BPROT:
            // Protection can always be added, but removed only right after reset.
            stored = static_cast<std::uint8_t>(
                (inside_protected_window() ? value : stored | value) & 0x1F);
            break;
        case reg::OPTION: {
            const std::uint8_t writable =
                inside_protected_window() ? 0xFF : OPTION_WRITABLE_ANY_TIME;
            stored = static_cast<std::uint8_t>((value & writable) | (stored & ~writable));
            break;
        }
        case reg::HPRIO:
            // Outside the special modes only the priority selection can change.
            stored = static_cast<std::uint8_t>((stored & 0xF0) | (value & 0x0F));
            break;
        case reg::PPROG:
            eeprom_.write_pprog(value, plain_registers_[reg::BPROT]);
            break;
        default:
            stored = value;
            break;
    }
    refresh_interrupts();
}

void Board::write_eeprom(std::uint16_t address, std::uint8_t value) {
    eeprom_.write_cell(address, value);
}

}  // namespace hc11
