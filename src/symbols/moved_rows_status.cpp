#include "symbols/moved_rows_status.h"

#include "app/main_window.h"
#include "symbols/elf_symbols.h"
#include "symbols/symbol_rows.h"

namespace halvane {

std::string moved_rows_status(std::string_view status, int moved_rows) {
    if (status != texts::kProgramRunning || moved_rows <= 0) return std::string(status);
    return std::string(texts::kProgramRunning) + " (" + std::to_string(moved_rows) +
           " map rows point to old addresses: File > Import Symbols updates them)";
}

std::optional<std::string> status_after_map_load(std::string_view status,
                                                 const std::string& elf_path,
                                                 const GridView& grid) {
    if (status != texts::kProgramRunning) return std::nullopt;
    const SymbolFile file = read_program_symbols(elf_path);
    if (!file.ok()) return std::nullopt;
    const int moved = count_moved_rows(grid, file.symbols);
    if (moved == 0) return std::nullopt;
    return moved_rows_status(status, moved);
}

}  // namespace halvane
