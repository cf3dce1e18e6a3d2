#include "core/instruction_length.h"

namespace boardsim {
namespace {

bool is_prefix(std::uint8_t byte) {
    return byte == 0x18 || byte == 0x1A || byte == 0xCD;
}

// Without a prefix; a prefix adds its own byte and keeps the operand of the same opcode.
unsigned unprefixed_length(std::uint8_t op) {
    switch (op) {
        case 0x12:  // BRSET dir
        case 0x13:  // BRCLR dir
        case 0x1E:  // BRSET ind,X
        case 0x1F:  // BRCLR ind,X
            return 4;
        case 0x14:  // BSET dir
        case 0x15:  // BCLR dir
        case 0x1C:  // BSET ind,X
        case 0x1D:  // BCLR ind,X
        case 0x83:  // SUBD #
        case 0x8C:  // CPX #
        case 0x8E:  // LDS #
        case 0xC3:  // ADDD #
        case 0xCC:  // LDD #
        case 0xCE:  // LDX #
            return 3;
        case 0x8F:  // XGDX
        case 0xCF:  // STOP
            return 1;
        default:
            break;
    }
    if (op < 0x20) return 1;                          // inherent
    if (op < 0x30) return 2;                          // relative branches
    if (op < 0x60) return 1;                          // inherent: stack, accumulators
    if (op >= 0x70 && op < 0x80) return 3;            // extended
    if ((op & 0x30) == 0x30 && op >= 0x80) return 3;  // B0-BF, F0-FF: extended
    return 2;                                         // indexed, immediate and direct
}

}  // namespace

unsigned instruction_length(std::uint8_t first, std::uint8_t second) {
    return is_prefix(first) ? 1 + unprefixed_length(second) : unprefixed_length(first);
}

}  // namespace boardsim
