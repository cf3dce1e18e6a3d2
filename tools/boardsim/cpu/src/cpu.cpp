// Processor control: fetch, prefixes, interrupts and the stack. The instruction groups live in
// cpu_control.cpp (00-3F), cpu_read_modify_write.cpp (40-7F) and cpu_memory_ops.cpp (80-FF).
#include "hc11/cpu.h"

namespace hc11 {

void Cpu::reset() {
    r_ = Registers{};
    r_.ccr = ccr::after_reset;
    r_.sp = 0;
    r_.pc = read16(vector::RESET);
    state_ = CpuState::running;
}

int Cpu::step() {
    if (state_ == CpuState::stopped) return 0;
    int cycles = 0;
    if (xirq_ && (r_.ccr & ccr::X) == 0) {
        cycles = enter_interrupt(vector::XIRQ, ccr::X | ccr::I);
    } else if (pending_vector_ != 0 && (r_.ccr & ccr::I) == 0) {
        cycles = enter_interrupt(pending_vector_, ccr::I);
    } else if (state_ == CpuState::waiting) {
        return 0;
    } else {
        const std::uint16_t at = r_.pc;
        if (trace_) emit_trace(at);
        const std::uint8_t op = fetch8();
        switch (op) {
            case 0x18:
                cycles = execute_prefixed(Page::two, fetch8(), at);
                break;
            case 0x1A:
                cycles = execute_prefixed(Page::three, fetch8(), at);
                break;
            case 0xCD:
                cycles = execute_prefixed(Page::four, fetch8(), at);
                break;
            default:
                cycles = execute_page1(op, at);
                break;
        }
    }
    cycles_ += static_cast<std::uint64_t>(cycles);
    return cycles;
}

int Cpu::execute_page1(std::uint8_t op, std::uint16_t at) {
    if (op < 0x40) return execute_control(op, Page::one, at);
    if (op < 0x80) return execute_read_modify_write(op, Page::one, at);
    return execute_memory_op(op, Page::one, at);
}

int Cpu::execute_prefixed(Page page, std::uint8_t op, std::uint16_t at) {
    if (page == Page::two) {
        if (op < 0x40) return execute_control(op, page, at);
        if (op < 0x80) return execute_read_modify_write(op, page, at);
    }
    if (op < 0x80) return illegal_opcode(at);
    return execute_memory_op(op, page, at);
}

std::uint16_t Cpu::fetch16() {
    const std::uint8_t high = fetch8();
    return static_cast<std::uint16_t>((high << 8) | fetch8());
}

std::uint16_t Cpu::read16(std::uint16_t address) {
    const std::uint8_t high = memory_.read(address);
    return static_cast<std::uint16_t>((high << 8) |
                                      memory_.read(static_cast<std::uint16_t>(address + 1)));
}

void Cpu::write16(std::uint16_t address, std::uint16_t value) {
    memory_.write(address, static_cast<std::uint8_t>(value >> 8));
    memory_.write(static_cast<std::uint16_t>(address + 1), static_cast<std::uint8_t>(value));
}

void Cpu::push8(std::uint8_t value) {
    memory_.write(r_.sp--, value);
}

void Cpu::push16(std::uint16_t value) {
    push8(static_cast<std::uint8_t>(value));
    push8(static_cast<std::uint8_t>(value >> 8));
}

std::uint8_t Cpu::pull8() {
    return memory_.read(++r_.sp);
}

std::uint16_t Cpu::pull16() {
    const std::uint8_t high = pull8();
    return static_cast<std::uint16_t>((high << 8) | pull8());
}

// Stacking order of SWI, WAI and interrupts: PCL PCH IYL IYH IXL IXH A B CCR.
void Cpu::push_all() {
    push16(r_.pc);
    push16(r_.y);
    push16(r_.x);
    push8(r_.a);
    push8(r_.b);
    push8(r_.ccr);
}

void Cpu::pull_all() {
    const bool x_was_clear = (r_.ccr & ccr::X) == 0;
    r_.ccr = pull8();
    // Software can clear X but never set it again.
    if (x_was_clear) r_.ccr &= static_cast<std::uint8_t>(~ccr::X);
    r_.b = pull8();
    r_.a = pull8();
    r_.x = pull16();
    r_.y = pull16();
    r_.pc = pull16();
}

int Cpu::enter_interrupt(std::uint16_t vector_address, std::uint8_t mask_bits) {
    const bool was_waiting = state_ == CpuState::waiting;
    if (!was_waiting) push_all();
    state_ = CpuState::running;
    r_.ccr |= mask_bits;
    r_.pc = read16(vector_address);
    return was_waiting ? wake_from_wait_cycles : interrupt_cycles;
}

// The stacked return address is the illegal opcode's first byte (its prefix, if any).
int Cpu::illegal_opcode(std::uint16_t opcode_address) {
    r_.pc = opcode_address;
    return enter_interrupt(vector::ILLEGAL_OPCODE, ccr::I);
}

void Cpu::emit_trace(std::uint16_t pc) {
    TraceRecord record;
    record.cycle = cycles_;
    record.pc = pc;
    record.regs = r_;
    const std::uint8_t first = memory_.peek(pc);
    if (first == 0x18 || first == 0x1A || first == 0xCD) {
        record.prefix = first;
        record.opcode = memory_.peek(static_cast<std::uint16_t>(pc + 1));
    } else {
        record.opcode = first;
    }
    trace_(record);
}

}  // namespace hc11
