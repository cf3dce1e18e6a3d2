#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace halvane {

// One row of a program's DWARF line table: an instruction at `address` came from `line` of
// `file` (the path as the assembler recorded it, e.g. "./responder_irq.s").
struct SourceLine {
    std::string file;
    int line = 0;
    std::uint16_t address = 0;

    friend bool operator==(const SourceLine&, const SourceLine&) = default;
};

struct LineTable {
    enum class Status { kRead, kNoLineInformation, kDamaged };
    Status status = Status::kDamaged;
    std::string error_text;  // why the rows are missing, in words for the user
    // Every row of every unit but the ends of sequences, in address order. The assembler
    // records instructions only, never the bytes of .byte or .word.
    std::vector<SourceLine> rows;

    bool ok() const { return status == Status::kRead; }
};

// The line table of the linked 68HC11 ELF file held in `image`, read with elfutils' libdw.
// A file without .debug_line (assembled without --gdwarf2) is kNoLineInformation.
LineTable read_line_table(std::string_view image);

}  // namespace halvane
