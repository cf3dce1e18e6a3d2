#pragma once

#include <cstdint>
#include <string>

namespace halvane {

// A named location of a linked 68HC11 program that the watch grid can show.
struct ProgramSymbol {
    std::string name;
    std::uint16_t address = 0;
    // In bytes, at least 1: the size the assembler recorded, or else the distance to the
    // next symbol of its section (or to the section's end).
    std::uint32_t size = 1;
    // In a code section rather than in writable data (.data, .bss). Assembler programs
    // often keep variables among their code, so such symbols are offered too, just not
    // by default.
    bool in_code = false;

    friend bool operator==(const ProgramSymbol&, const ProgramSymbol&) = default;
};

}  // namespace halvane
