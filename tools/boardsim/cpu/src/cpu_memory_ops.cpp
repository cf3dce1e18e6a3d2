// Opcodes 80-FF on all four pages: the accumulator operations, the 16-bit loads, stores,
// compares and arithmetic, JSR/BSR, XGDX/XGDY and STOP.
//
// Bits 5-4 of the opcode give the addressing mode (immediate, direct, indexed, extended) and
// bit 6 the accumulator (A or B). The prefixes change only the index register (Y on pages 2
// and 4), the 16-bit register of the X column (Y on pages 2 and 3), SUBD into CPD (pages 3
// and 4), and add one cycle.
#include "alu.h"
#include "hc11/cpu.h"

namespace hc11 {

namespace {

constexpr int mode_immediate = 0;

bool legal_on_page(std::uint8_t op, int page) {
    switch (page) {
        case 1:
            return op != 0x87 && op != 0xC7;  // no store to an immediate operand
        case 2:
            if ((op & 0x30) == 0x20) return true;  // every indexed form, with Y
            switch (op) {
                case 0x8C:
                case 0x9C:
                case 0xBC:  // CPY
                case 0x8F:  // XGDY
                case 0xCE:
                case 0xDE:
                case 0xFE:  // LDY
                case 0xDF:
                case 0xFF:  // STY
                    return true;
                default:
                    return false;
            }
        case 3:
            switch (op) {
                case 0x83:
                case 0x93:
                case 0xA3:
                case 0xB3:  // CPD
                case 0xAC:
                case 0xEE:
                case 0xEF:  // CPY LDY STY ind,X
                    return true;
                default:
                    return false;
            }
        default:
            return op == 0xA3 || op == 0xAC || op == 0xEE || op == 0xEF;  // CPD CPX LDX STX ind,Y
    }
}

// Cycles on page 1, by addressing mode.
constexpr int cycles_8bit[4] = {2, 3, 4, 4};
constexpr int cycles_arith16[4] = {4, 5, 6, 6};  // SUBD ADDD CPD CPX CPY
constexpr int cycles_load16[4] = {3, 4, 5, 5};   // LDD LDX LDY LDS
constexpr int cycles_store16[4] = {0, 4, 5, 5};  // STD STX STY STS
constexpr int cycles_jsr[4] = {0, 5, 6, 6};

}  // namespace

int Cpu::execute_memory_op(std::uint8_t op, Page page, std::uint16_t at) {
    const int page_number = static_cast<int>(page) + 1;
    if (!legal_on_page(op, page_number)) return illegal_opcode(at);

    const int mode = (op >> 4) & 3;
    const bool b_side = (op & 0x40) != 0;
    const std::uint8_t low = op & 0x0F;
    const int extra = page == Page::one ? 0 : 1;
    const bool y_index = page == Page::two || page == Page::four;
    const bool y_register = page == Page::two || page == Page::three;
    std::uint16_t& reg16 = y_register ? r_.y : r_.x;
    std::uint8_t& cc = r_.ccr;

    auto effective_address = [&]() -> std::uint16_t {
        switch (mode) {
            case 1:
                return fetch8();
            case 2:
                return static_cast<std::uint16_t>((y_index ? r_.y : r_.x) + fetch8());
            default:
                return fetch16();
        }
    };
    auto operand16 = [&]() -> std::uint16_t {
        return mode == mode_immediate ? fetch16() : read16(effective_address());
    };

    switch (low) {
        case 0x3: {  // SUBD / CPD, ADDD
            const std::uint16_t m = operand16();
            if (b_side) {
                r_.set_d(alu::add16(cc, r_.d(), m));
            } else if (page == Page::three || page == Page::four) {
                alu::sub16(cc, r_.d(), m);
            } else {
                r_.set_d(alu::sub16(cc, r_.d(), m));
            }
            return cycles_arith16[mode] + extra;
        }
        case 0x7:  // STAA / STAB
            memory_.write(effective_address(), alu::logic8(cc, b_side ? r_.b : r_.a));
            return cycles_8bit[mode] + extra;
        case 0xC:
            if (b_side) {  // LDD
                r_.set_d(alu::logic16(cc, operand16()));
                return cycles_load16[mode] + extra;
            }
            alu::sub16(cc, reg16, operand16());  // CPX / CPY
            return cycles_arith16[mode] + extra;
        case 0xD:
            if (b_side) {  // STD
                write16(effective_address(), alu::logic16(cc, r_.d()));
                return cycles_store16[mode] + extra;
            }
            if (mode == mode_immediate) {  // BSR
                const auto offset = static_cast<std::int8_t>(fetch8());
                push16(r_.pc);
                r_.pc = static_cast<std::uint16_t>(r_.pc + offset);
                return 6;
            } else {  // JSR
                const std::uint16_t target = effective_address();
                push16(r_.pc);
                r_.pc = target;
                return cycles_jsr[mode] + extra;
            }
        case 0xE:
            if (b_side) {  // LDX / LDY
                reg16 = alu::logic16(cc, operand16());
            } else {  // LDS
                r_.sp = alu::logic16(cc, operand16());
            }
            return cycles_load16[mode] + extra;
        case 0xF:
            if (mode == mode_immediate) {
                if (!b_side) {  // XGDX / XGDY
                    const std::uint16_t d = r_.d();
                    r_.set_d(reg16);
                    reg16 = d;
                    return 3 + extra;
                }
                // STOP: with S set it does nothing, as the reference manual prescribes.
                if ((cc & ccr::S) == 0) state_ = CpuState::stopped;
                return 2;
            }
            write16(effective_address(), alu::logic16(cc, b_side ? reg16 : r_.sp));  // STX STS
            return cycles_store16[mode] + extra;
        default:
            break;
    }

    // The 8-bit accumulator operations.
    std::uint8_t& acc = b_side ? r_.b : r_.a;
    const std::uint8_t m = mode == mode_immediate ? fetch8() : memory_.read(effective_address());
    switch (low) {
        case 0x0:
            acc = alu::sub8(cc, acc, m, false);
            break;  // SUB
        case 0x1:
            alu::sub8(cc, acc, m, false);
            break;  // CMP
        case 0x2:
            acc = alu::sub8(cc, acc, m, (cc & ccr::C) != 0);
            break;  // SBC
        case 0x4:
            acc = alu::logic8(cc, acc & m);
            break;  // AND
        case 0x5:
            alu::logic8(cc, acc & m);
            break;  // BIT
        case 0x6:
            acc = alu::logic8(cc, m);
            break;  // LDA
        case 0x8:
            acc = alu::logic8(cc, acc ^ m);
            break;  // EOR
        case 0x9:
            acc = alu::add8(cc, acc, m, (cc & ccr::C) != 0);
            break;  // ADC
        case 0xA:
            acc = alu::logic8(cc, acc | m);
            break;  // ORA
        default:
            acc = alu::add8(cc, acc, m, false);
            break;  // ADD
    }
    return cycles_8bit[mode] + extra;
}

}  // namespace hc11
