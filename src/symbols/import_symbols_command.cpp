#include <filesystem>

#include "app/main_window.h"
#include "symbols/elf_symbols.h"
#include "symbols/symbol_rows.h"

namespace halvane {

// File > Import Symbols: choose a linked program (the one beside the current program is
// proposed), pick its symbols, and put them into the grid as a user would type them.
void Tamrin::file_importsymbols_Click() {
    if (closing_ || p_.symbol_picker == nullptr) return;
    FileDialogSettings settings;
    settings.filter = "68HC11 linked programs (*.elf)|*.elf";
    settings.default_extension = "elf";
    settings.initial_directory = initial_directory_;
    // After a download `s19_file_name_` is the program's path without its extension.
    const std::string beside = s19_file_name_ + ".elf";
    std::error_code ec;
    settings.file_name =
        !s19_file_name_.empty() && std::filesystem::is_regular_file(beside, ec) ? beside : "";
    const std::string path = p_.dialog.show_open(settings);
    if (closing_ || path.empty()) return;

    const SymbolFile file = read_program_symbols(path);
    if (!file.ok()) {
        p_.message_box.show(file.error_text + ".");
        return;
    }
    if (file.symbols.empty()) {
        p_.message_box.show(no_data_symbols_text(path) + ".");
        return;
    }
    const std::optional<std::vector<bool>> marks =
        p_.symbol_picker->choose(path, file.symbols, default_marks(file.symbols));
    if (closing_ || !marks) return;

    std::vector<ProgramSymbol> chosen;
    for (std::size_t i = 0; i < file.symbols.size() && i < marks->size(); ++i) {
        if ((*marks)[i]) chosen.push_back(file.symbols[i]);
    }
    p_.message_box.show(placement_summary(place_symbols(chosen, p_.grid)));
}

}  // namespace halvane
