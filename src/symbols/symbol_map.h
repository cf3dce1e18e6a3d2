#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace halvane {

struct SymbolMap {
    bool ok = false;
    std::string error_text;  // why no map was made, in words for the user
    // The map file's text, as File > Save writes it: the heading row, then a row per
    // symbol in address order, then empty rows up to 100.
    std::string text;
    std::vector<std::string> left_out;  // symbols past the 99th, not in the map
};

// A variable map of the data symbols of the ELF file at `elf_path` (and of the symbols in
// code sections too with `with_code`), each row as File > Import Symbols fills it.
SymbolMap map_from_symbols(const std::string& elf_path, bool with_code);

// map_from_symbols on standard output, as `--map-from-symbols` prints it: the map, and on
// standard error, each line after `program` and a colon, why there is none or which symbols
// were left out.
enum class SymbolMapPrinting { kPrinted, kNoMap, kNotWritten };
SymbolMapPrinting print_map_from_symbols(const std::string& elf_path, bool with_code,
                                         std::string_view program);

}  // namespace halvane
