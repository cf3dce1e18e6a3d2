// Opcodes 40-7F: NEG COM LSR ROR ASR ASL ROL DEC INC TST CLR on A, B, indexed and extended
// operands, and JMP. Page 2 has the indexed-Y forms (60-6F).
#include "alu.h"
#include "hc11/cpu.h"

namespace hc11 {

namespace {

bool has_operation(std::uint8_t low_nibble) {
    switch (low_nibble) {
        case 0x1:
        case 0x2:
        case 0x5:
        case 0xB:
            return false;
        default:
            return true;
    }
}

}  // namespace

int Cpu::execute_read_modify_write(std::uint8_t op, Page page, std::uint16_t at) {
    const std::uint8_t low = op & 0x0F;
    const std::uint8_t mode = op >> 4;  // 4 = A, 5 = B, 6 = indexed, 7 = extended
    const bool y_form = page == Page::two;
    if (!has_operation(low) || (y_form && mode != 6) || (low == 0xE && mode < 6)) {
        return illegal_opcode(at);
    }
    if (mode == 4) {
        r_.a = alu::modify8(r_.ccr, low, r_.a);
        return 2;
    }
    if (mode == 5) {
        r_.b = alu::modify8(r_.ccr, low, r_.b);
        return 2;
    }
    const int extra = y_form ? 1 : 0;
    std::uint16_t address;
    if (mode == 6) {
        address = static_cast<std::uint16_t>((y_form ? r_.y : r_.x) + fetch8());
    } else {
        address = fetch16();
    }
    if (low == 0xE) {  // JMP
        r_.pc = address;
        return 3 + extra;
    }
    const std::uint8_t result = alu::modify8(r_.ccr, low, memory_.read(address));
    if (low != 0xD) memory_.write(address, result);  // TST only reads
    return 6 + extra;
}

}  // namespace hc11
