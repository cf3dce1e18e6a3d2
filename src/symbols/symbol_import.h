#pragma once

#include <string>
#include <string_view>

#include "grid/watch_table.h"
#include "platform/modal_dialogs.h"
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
    // `program_name` is the current program's name (the download's).
    SymbolImport(WatchTable& table, StatusLine& status, ModalDialogs& dialogs,
                 const std::string& program_name);

    // Choose a linked program (the one beside the current program is proposed), pick its
    // symbols, and put them into the grid as a user would type them.
    void import_symbols();
    // A program has started with `map` loaded from beside it: the rows the map filled are
    // compared with the symbols of the ELF file at `elf_path`, and the status names those
    // that point to old addresses. Without such a map, or such a file, nothing is said.
    void check_moved_rows(const MapLoadResult& map, const std::string& elf_path);

  private:
    WatchTable& table_;
    StatusLine& status_;
    ModalDialogs& dialogs_;
    const std::string& program_name_;
};

}  // namespace halvane
