#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "link/monitor_dialogue.h"

namespace halvane {

// The processor's registers as the monitor's `rm` goes through them, in that order (C is the
// condition codes).
enum class Register { kP, kY, kX, kA, kB, kC, kS };

// The letter the monitor names it by ("P", and `rm x` starts at X).
char register_letter(Register reg);
// How many hexadecimal digits its value has: 4 for P, Y, X and S, 2 for A, B and C.
std::size_t register_digits(Register reg);
std::uint16_t register_value(const monitor::Registers& registers, Register reg);

// The condition code register's bits from the highest, S X H I N Z V C.
inline constexpr std::array<char, 8> kConditionCodeLetters = {'S', 'X', 'H', 'I',
                                                              'N', 'Z', 'V', 'C'};
// Whether the bit of `kConditionCodeLetters[index]` is set in `ccr`.
constexpr bool condition_code_set(std::uint8_t ccr, std::size_t index) {
    return (ccr >> (kConditionCodeLetters.size() - 1 - index) & 1u) != 0;
}

}  // namespace halvane
