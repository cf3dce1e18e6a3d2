#include "symbols/symbol_map.h"

#include <cstdio>

#include "grid/watch_table.h"
#include "symbols/elf_symbols.h"
#include "symbols/symbol_rows.h"
#include "varmap/map_encoding.h"
#include "varmap/map_format.h"

namespace halvane {

SymbolMap map_from_symbols(const std::string& elf_path, bool with_code) {
    const SymbolFile file = read_program_symbols(elf_path);
    SymbolMap result;
    if (!file.ok()) {
        result.error_text = file.error_text;
        return result;
    }
    std::vector<ProgramSymbol> chosen;
    for (const ProgramSymbol& symbol : file.symbols) {
        if (with_code || !symbol.in_code) chosen.push_back(symbol);
    }
    if (chosen.empty()) {
        result.error_text = no_data_symbols_text(elf_path);
        if (!file.symbols.empty())
            result.error_text += " (--all-symbols adds the " + std::to_string(file.symbols.size()) +
                                 " in code sections)";
        return result;
    }

    WatchTable table;
    result.left_out = place_symbols(chosen, table).left_out;
    result.text = map_file_bytes(format_map(table.cells()));
    result.ok = true;
    return result;
}

SymbolMapPrinting print_map_from_symbols(const std::string& elf_path, bool with_code,
                                         std::string_view program) {
    const std::string prefix = std::string(program) + ": ";
    const SymbolMap map = map_from_symbols(elf_path, with_code);
    if (!map.ok) {
        std::fprintf(stderr, "%s%s\n", prefix.c_str(), map.error_text.c_str());
        return SymbolMapPrinting::kNoMap;
    }
    if (!map.left_out.empty()) {
        std::string names;
        for (const std::string& name : map.left_out) names += " " + name;
        std::fprintf(stderr, "%swarning: a map holds 99 rows; %zu symbols were left out:%s\n",
                     prefix.c_str(), map.left_out.size(), names.c_str());
    }
    if (std::fwrite(map.text.data(), 1, map.text.size(), stdout) != map.text.size() ||
        std::fflush(stdout) != 0) {
        std::perror((prefix + "cannot write the map").c_str());
        return SymbolMapPrinting::kNotWritten;
    }
    return SymbolMapPrinting::kPrinted;
}

}  // namespace halvane
