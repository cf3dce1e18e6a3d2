#pragma once

#include <string>
#include <vector>

#include "symbols/dwarf_lines.h"
#include "symbols/program_symbol.h"

namespace halvane {

// What a program's ELF file tells about the lines of its listing.
struct ProgramLines {
    bool present = false;    // a file was named
    std::string error_text;  // it could not be read as a 68HC11 ELF file: why
    LineTable table;         // its line table, or why it has none
    // Its labels and variables: they place the lines of sections that hold no code.
    std::vector<ProgramSymbol> symbols;
};

// Reads the ELF file at `path` (an empty path: no file).
ProgramLines read_program_lines(const std::string& path);

}  // namespace halvane
