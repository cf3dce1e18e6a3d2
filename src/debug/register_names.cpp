#include "debug/register_names.h"

namespace halvane {

char register_letter(Register reg) {
    switch (reg) {
        case Register::kP:
            return 'P';
        case Register::kY:
            return 'Y';
        case Register::kX:
            return 'X';
        case Register::kA:
            return 'A';
        case Register::kB:
            return 'B';
        case Register::kC:
            return 'C';
        case Register::kS:
            return 'S';
    }
    return 'P';
}

std::size_t register_digits(Register reg) {
    switch (reg) {
        case Register::kA:
        case Register::kB:
        case Register::kC:
            return 2;
        case Register::kP:
        case Register::kY:
        case Register::kX:
        case Register::kS:
            break;
    }
    return 4;
}

std::uint16_t register_value(const monitor::Registers& registers, Register reg) {
    switch (reg) {
        case Register::kP:
            return registers.pc;
        case Register::kY:
            return registers.y;
        case Register::kX:
            return registers.x;
        case Register::kA:
            return registers.a;
        case Register::kB:
            return registers.b;
        case Register::kC:
            return registers.ccr;
        case Register::kS:
            break;
    }
    return registers.sp;
}

}  // namespace halvane
