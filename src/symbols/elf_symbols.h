#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/program_symbol.h"

namespace halvane {

// Linked programs with their debugging information stay far below this.
inline constexpr std::uintmax_t kElfFileLimit = 64 * 1024 * 1024;

struct SymbolFile {
    enum class Status { kRead, kNoSuchFile, kUnreadable, kNotElf, kNotHc11, kDamaged };
    Status status = Status::kUnreadable;
    std::string error_text;  // why the symbols could not be read, in words for the user
    // Every object or untyped symbol with an address in a data or code section, in address
    // order (then by name); local labels and the linker's own symbols left out. Equates
    // (absolute symbols) are constants rather than places, and are left out too.
    std::vector<ProgramSymbol> symbols;

    bool ok() const { return status == Status::kRead; }
};

// The symbols of a 68HC11 ELF file (m68hc11-ld output) held in `image`. Error texts
// speak of "the file".
SymbolFile read_elf_symbols(std::string_view image);

// The same for the file at `path`; error texts name the file.
SymbolFile read_program_symbols(const std::string& path);

// Why a program offers nothing to watch.
std::string no_data_symbols_text(const std::string& path);

// True for names that are not the program's variables: local labels ("." or "L" and a
// digit at the start) and the symbols the linker script defines (_start, _etext, __*...).
bool is_hidden_symbol_name(std::string_view name);

}  // namespace halvane
