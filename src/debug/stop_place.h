#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/program_symbol.h"

namespace halvane {

// Where in the program `address` is, by its symbols: the nearest symbol at or below it, with the
// distance in hexadecimal ("main_loop+9"; "main_loop" at the symbol itself). Empty where no
// symbol's bytes reach the address (before the first symbol, in the monitor's ROM), so that a
// stop far from the program is not named after whatever symbol lies below it. Of symbols at the
// same address, the first in `symbols` names it.
std::string stop_place(std::span<const ProgramSymbol> symbols, std::uint16_t address);

}  // namespace halvane
