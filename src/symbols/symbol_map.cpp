#include "symbols/symbol_map.h"

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

}  // namespace halvane
