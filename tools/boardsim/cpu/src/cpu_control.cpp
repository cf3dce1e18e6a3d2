// Opcodes 00-3F (and their page-2 Y forms): inherent operations, multiply and divide, flag
// instructions, bit manipulation, branches and the stack.
#include "alu.h"
#include "hc11/cpu.h"

namespace hc11 {

namespace {

bool page2_has_control_opcode(std::uint8_t op) {
    switch (op) {
        case 0x08:  // INY
        case 0x09:  // DEY
        case 0x1C:  // BSET ind,Y
        case 0x1D:  // BCLR ind,Y
        case 0x1E:  // BRSET ind,Y
        case 0x1F:  // BRCLR ind,Y
        case 0x30:  // TSY
        case 0x35:  // TYS
        case 0x38:  // PULY
        case 0x3A:  // ABY
        case 0x3C:  // PSHY
            return true;
        default:
            return false;
    }
}

bool branch_condition(std::uint8_t op, std::uint8_t cc) {
    const bool c = cc & ccr::C;
    const bool z = cc & ccr::Z;
    const bool n = cc & ccr::N;
    const bool v = cc & ccr::V;
    switch (op & 0x0F) {
        case 0x0:
            return true;  // BRA
        case 0x1:
            return false;  // BRN
        case 0x2:
            return !(c || z);  // BHI
        case 0x3:
            return c || z;  // BLS
        case 0x4:
            return !c;  // BCC
        case 0x5:
            return c;  // BCS
        case 0x6:
            return !z;  // BNE
        case 0x7:
            return z;  // BEQ
        case 0x8:
            return !v;  // BVC
        case 0x9:
            return v;  // BVS
        case 0xA:
            return !n;  // BPL
        case 0xB:
            return n;  // BMI
        case 0xC:
            return n == v;  // BGE
        case 0xD:
            return n != v;  // BLT
        case 0xE:
            return !z && n == v;  // BGT
        default:
            return z || n != v;  // BLE
    }
}

}  // namespace

int Cpu::branch(bool taken) {
    const auto offset = static_cast<std::int8_t>(fetch8());
    if (taken) r_.pc = static_cast<std::uint16_t>(r_.pc + offset);
    return 3;
}

// BRSET/BRCLR/BSET/BCLR: operand address, mask, then (for the branches) the offset.
int Cpu::bit_instruction(std::uint8_t op, Page page) {
    const bool indexed = op >= 0x1C;
    std::uint16_t address;
    if (indexed) {
        const std::uint16_t index = page == Page::two ? r_.y : r_.x;
        address = static_cast<std::uint16_t>(index + fetch8());
    } else {
        address = fetch8();
    }
    const std::uint8_t mask = fetch8();
    const std::uint8_t m = memory_.read(address);
    const int cycles = indexed ? (page == Page::two ? 8 : 7) : 6;
    switch (op) {
        case 0x12:
        case 0x1E:  // BRSET
            branch((~m & mask) == 0);
            break;
        case 0x13:
        case 0x1F:  // BRCLR
            branch((m & mask) == 0);
            break;
        case 0x14:
        case 0x1C:  // BSET
            memory_.write(address, alu::logic8(r_.ccr, static_cast<std::uint8_t>(m | mask)));
            break;
        default:  // BCLR
            memory_.write(address, alu::logic8(r_.ccr, static_cast<std::uint8_t>(m & ~mask)));
            break;
    }
    return cycles;
}

int Cpu::execute_control(std::uint8_t op, Page page, std::uint16_t at) {
    const bool y_form = page == Page::two;
    if (y_form && !page2_has_control_opcode(op)) return illegal_opcode(at);
    std::uint16_t& index = y_form ? r_.y : r_.x;
    const int extra = y_form ? 1 : 0;
    std::uint8_t& cc = r_.ccr;

    switch (op) {
        case 0x01:  // NOP
            return 2;
        case 0x02: {  // IDIV
            const std::uint16_t numerator = r_.d();
            const std::uint16_t denominator = r_.x;
            if (denominator == 0) {
                r_.x = 0xFFFF;  // the remainder is undefined; D keeps the numerator
            } else {
                r_.x = static_cast<std::uint16_t>(numerator / denominator);
                r_.set_d(static_cast<std::uint16_t>(numerator % denominator));
            }
            alu::set_flag(cc, ccr::Z, r_.x == 0);
            alu::set_flag(cc, ccr::V, false);
            alu::set_flag(cc, ccr::C, denominator == 0);
            return 41;
        }
        case 0x03: {  // FDIV
            const std::uint16_t numerator = r_.d();
            const std::uint16_t denominator = r_.x;
            const bool overflow = denominator <= numerator;
            if (overflow) {
                r_.x = 0xFFFF;
            } else {
                const std::uint32_t wide = static_cast<std::uint32_t>(numerator) << 16;
                r_.x = static_cast<std::uint16_t>(wide / denominator);
                r_.set_d(static_cast<std::uint16_t>(wide % denominator));
            }
            alu::set_flag(cc, ccr::Z, r_.x == 0);
            alu::set_flag(cc, ccr::V, overflow);
            alu::set_flag(cc, ccr::C, denominator == 0);
            return 41;
        }
        case 0x04: {  // LSRD
            const std::uint16_t d = r_.d();
            r_.set_d(static_cast<std::uint16_t>(d >> 1));
            alu::set_flag(cc, ccr::C, d & 1);
            alu::nz16(cc, r_.d());
            alu::set_flag(cc, ccr::V, d & 1);  // N is 0, so V = C
            return 3;
        }
        case 0x05: {  // ASLD / LSLD
            const std::uint16_t d = r_.d();
            r_.set_d(static_cast<std::uint16_t>(d << 1));
            alu::set_flag(cc, ccr::C, (d & 0x8000) != 0);
            alu::nz16(cc, r_.d());
            alu::set_flag(cc, ccr::V, ((cc & ccr::N) != 0) != ((cc & ccr::C) != 0));
            return 3;
        }
        case 0x06: {  // TAP: X can be cleared but not set
            const bool x_was_clear = (cc & ccr::X) == 0;
            cc = r_.a;
            if (x_was_clear) cc &= static_cast<std::uint8_t>(~ccr::X);
            return 2;
        }
        case 0x07:  // TPA
            r_.a = cc;
            return 2;
        case 0x08:  // INX / INY
            ++index;
            alu::set_flag(cc, ccr::Z, index == 0);
            return 3 + extra;
        case 0x09:  // DEX / DEY
            --index;
            alu::set_flag(cc, ccr::Z, index == 0);
            return 3 + extra;
        case 0x0A:
            alu::set_flag(cc, ccr::V, false);
            return 2;  // CLV
        case 0x0B:
            alu::set_flag(cc, ccr::V, true);
            return 2;  // SEV
        case 0x0C:
            alu::set_flag(cc, ccr::C, false);
            return 2;  // CLC
        case 0x0D:
            alu::set_flag(cc, ccr::C, true);
            return 2;  // SEC
        case 0x0E:
            alu::set_flag(cc, ccr::I, false);
            return 2;  // CLI
        case 0x0F:
            alu::set_flag(cc, ccr::I, true);
            return 2;  // SEI
        case 0x10:     // SBA
            r_.a = alu::sub8(cc, r_.a, r_.b, false);
            return 2;
        case 0x11:  // CBA
            alu::sub8(cc, r_.a, r_.b, false);
            return 2;
        case 0x12:
        case 0x13:
        case 0x14:
        case 0x15:
        case 0x1C:
        case 0x1D:
        case 0x1E:
        case 0x1F:
            return bit_instruction(op, page);
        case 0x16:  // TAB
            r_.b = alu::logic8(cc, r_.a);
            return 2;
        case 0x17:  // TBA
            r_.a = alu::logic8(cc, r_.b);
            return 2;
        case 0x19:  // DAA
            r_.a = alu::daa(cc, r_.a);
            return 2;
        case 0x1B:  // ABA
            r_.a = alu::add8(cc, r_.a, r_.b, false);
            return 2;
        case 0x30:  // TSX / TSY
            index = static_cast<std::uint16_t>(r_.sp + 1);
            return 3 + extra;
        case 0x31:  // INS
            ++r_.sp;
            return 3;
        case 0x32:  // PULA
            r_.a = pull8();
            return 4;
        case 0x33:  // PULB
            r_.b = pull8();
            return 4;
        case 0x34:  // DES
            --r_.sp;
            return 3;
        case 0x35:  // TXS / TYS
            r_.sp = static_cast<std::uint16_t>(index - 1);
            return 3 + extra;
        case 0x36:  // PSHA
            push8(r_.a);
            return 3;
        case 0x37:  // PSHB
            push8(r_.b);
            return 3;
        case 0x38:  // PULX / PULY
            index = pull16();
            return 5 + extra;
        case 0x39:  // RTS
            r_.pc = pull16();
            return 5;
        case 0x3A:  // ABX / ABY
            index = static_cast<std::uint16_t>(index + r_.b);
            return 3 + extra;
        case 0x3B:  // RTI
            pull_all();
            return 12;
        case 0x3C:  // PSHX / PSHY
            push16(index);
            return 4 + extra;
        case 0x3D: {  // MUL
            const auto product = static_cast<std::uint16_t>(r_.a * r_.b);
            r_.set_d(product);
            alu::set_flag(cc, ccr::C, (product & 0x80) != 0);
            return 10;
        }
        case 0x3E:  // WAI
            push_all();
            state_ = CpuState::waiting;
            return 14;
        case 0x3F:  // SWI
            push_all();
            r_.ccr |= ccr::I;
            r_.pc = read16(vector::SWI);
            return 14;
        default:
            if (op >= 0x20 && op <= 0x2F) return branch(branch_condition(op, cc));
            // 00 is TEST, which exists only in the chip's test modes.
            return illegal_opcode(at);
    }
}

}  // namespace hc11
