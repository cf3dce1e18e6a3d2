#pragma once

#include <string>
#include <string_view>

#include "dialogs/modal_dialogs.h"
#include "grid/watch_table.h"
#include "status/status_line.h"
#include "varmap/map_file.h"

namespace halvane {

// The program status with the map checked against the program: when `status` is plain
// "Status: Program Running" and `moved_rows` rows of the map point to old addresses, the
// status says so and how to fix it, short enough for the status line; any other status stays
// as it is.
std::string moved_rows_status(std::string_view status, int moved_rows);

// File > Import Symbols, and the check of a program's map against its symbols.
class SymbolImport {
  public:
    SymbolImport(WatchTable& table, StatusLine& status, ModalDialogs& dialogs);

    // Choose a linked program (the one beside the current program is proposed), pick its
    // symbols, and put them into the grid as a user would type them.
    void import_symbols();
    // A program has started with `map` loaded from beside it: Import Symbols proposes the ELF
    // file beside `base_name` from now on, the rows the map filled are compared with that
    // file's symbols, and the status names those that point to old addresses. Without such a
    // map, or such a file, nothing is said.
    void program_started(std::string base_name, const MapLoadResult& map);
    // The rows `map` filled, compared with the symbols of the ELF file at `elf_path`.
    void check_moved_rows(const MapLoadResult& map, const std::string& elf_path);

  private:
    WatchTable& table_;
    StatusLine& status_;
    ModalDialogs& dialogs_;
    std::string program_name_;
};

}  // namespace halvane
