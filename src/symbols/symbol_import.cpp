#include "symbols/symbol_import.h"

#include <filesystem>
#include <utility>

#include "status/status_texts.h"
#include "symbols/elf_symbols.h"
#include "symbols/symbol_rows.h"

namespace halvane {

std::string moved_rows_status(std::string_view status, int moved_rows) {
    if (status != texts::kProgramRunning || moved_rows <= 0) return std::string(status);
    return std::string(texts::kProgramRunning) + " (" + std::to_string(moved_rows) +
           " map rows moved: File > Import Symbols)";
}

SymbolImport::SymbolImport(WatchTable& table, StatusLine& status, ModalDialogs& dialogs)
    : table_(table), status_(status), dialogs_(dialogs) {}

void SymbolImport::program_started(std::string base_name, const MapLoadResult& map) {
    program_name_ = std::move(base_name);
    check_moved_rows(map, program_name_ + ".elf");
}

void SymbolImport::import_symbols() {
    const std::string beside = program_name_ + ".elf";
    std::error_code ec;
    const bool proposed = !program_name_.empty() && std::filesystem::is_regular_file(beside, ec);
    const std::optional<std::string> path = dialogs_.choose_file_to_open(
        "68HC11 linked programs (*.elf)|*.elf", "elf", proposed ? beside : "");
    if (!path) return;

    const SymbolFile file = read_program_symbols(*path);
    if (!file.ok()) {
        dialogs_.tell(file.error_text + ".");
        return;
    }
    if (file.symbols.empty()) {
        dialogs_.tell(no_data_symbols_text(*path) + ".");
        return;
    }
    const std::optional<std::vector<bool>> marks =
        dialogs_.choose_symbols(*path, file.symbols, default_marks(file.symbols));
    if (!marks) return;

    std::vector<ProgramSymbol> chosen;
    for (std::size_t i = 0; i < file.symbols.size() && i < marks->size(); ++i) {
        if ((*marks)[i]) chosen.push_back(file.symbols[i]);
    }
    dialogs_.tell(placement_summary(place_symbols(chosen, table_)));
}

void SymbolImport::check_moved_rows(const MapLoadResult& map, const std::string& elf_path) {
    // Only rows whose Address and Description came from this map are the program's.
    const int last_row = (map.fields - 2) / WatchTable::kCols;
    if (!map.ok || last_row < 1 || status_.program_status() != texts::kProgramRunning) return;
    const SymbolFile file = read_program_symbols(elf_path);
    if (!file.ok()) return;
    const int moved = count_moved_rows(table_, file.symbols, last_row);
    if (moved > 0) status_.set_program_status(moved_rows_status(status_.program_status(), moved));
}

}  // namespace halvane
