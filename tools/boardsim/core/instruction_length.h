#pragma once

#include <cstdint>

namespace boardsim {

// The number of bytes of the 68HC11 instruction that starts with `first` (an opcode, or one of
// the prefixes 18, 1A and CD followed by the opcode `second`). The length follows the opcode's
// addressing mode, so an opcode the chip does not know gets that of its row's neighbours.
unsigned instruction_length(std::uint8_t first, std::uint8_t second);

}  // namespace boardsim
