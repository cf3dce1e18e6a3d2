#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/program_symbol.h"

namespace halvane {

// Where `address` lies in a program, by the nearest symbol at or below it: "main_loop+9",
// "main_loop" at the symbol itself; empty when no symbol lies below it (or it is more than
// kFarthestOffset past the nearest).
std::string code_place(const std::vector<ProgramSymbol>& symbols, std::uint16_t address);
inline constexpr std::uint32_t kFarthestOffset = 0x400;

// The place of `address` in the program whose ELF file is `elf_path`; empty when the file or
// the symbol is not there.
std::string program_code_place(const std::string& elf_path, std::uint16_t address);

}  // namespace halvane
