#pragma once

#include <string>
#include <string_view>

#include "platform/grid_view.h"

namespace halvane {

// The program status with the map checked against the program: when `status` is plain
// "Status: Program Running" and `moved_rows` rows of the map point to old addresses, the
// status says so and how to fix it; any other status stays as it is.
std::string moved_rows_status(std::string_view status, int moved_rows);

// The same, with the rows counted against the symbols of the ELF file at `elf_path`. No
// such file, or one that cannot be read, leaves the status as it is.
std::string status_after_map_load(std::string_view status, const std::string& elf_path,
                                  const GridView& grid);

}  // namespace halvane
