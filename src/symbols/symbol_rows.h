#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "grid/watch_table.h"
#include "platform/program_symbol.h"

namespace halvane {

// How the grid shows a symbol, as a user would type it: the address as four upper-case
// hexadecimal digits, the name as the Description ("name[N bytes]" for anything larger
// than a word, so the row says it shows the first byte of a block), and "WD" for a 2-byte
// symbol (a 16-bit word), "D" otherwise.
std::string row_address(const ProgramSymbol& symbol);
std::string row_description(const ProgramSymbol& symbol);
std::string_view row_flag(const ProgramSymbol& symbol);

// True when a Description names the symbol called `name`: the name itself, or its array
// form "name[N bytes]" for any N, so that a block that grew is still recognised.
bool describes(std::string_view description, std::string_view name);

// Data symbols are offered for import; symbols in code sections are not, by default.
std::vector<bool> default_marks(std::span<const ProgramSymbol> symbols);

struct SymbolPlacement {
    int added = 0;                      // rows filled for symbols not in the grid before
    int moved = 0;                      // rows that named a symbol at another address
    std::vector<std::string> left_out;  // symbols that found no free row
};

// Puts `symbols` into the table in their order. A row whose Description names a symbol is
// updated in place: its Address (clearing the values read from the old one), its Flag
// when the symbol changed between byte, word and array, and an array form's byte count.
// Every other symbol goes into the next row whose Address is empty (rows 1 to 99), with
// empty Hex and Dec Values. Each row takes at most one symbol of one placement.
SymbolPlacement place_symbols(std::span<const ProgramSymbol> symbols, WatchTable& table);

// How many of rows 1 to `last_row` name one of `symbols` but hold another address than any
// symbol of that name: rows left behind by a rebuild that moved their variables. Rows without
// an Address are not counted.
int count_moved_rows(const WatchTable& table, std::span<const ProgramSymbol> symbols,
                     int last_row = WatchTable::kRows - 1);

// What the message after an import says.
std::string placement_summary(const SymbolPlacement& placement);

}  // namespace halvane
