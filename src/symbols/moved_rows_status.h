#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/grid_view.h"

namespace halvane {

// The program status with the map checked against the program: when `status` is plain
// "Status: Program Running" and `moved_rows` rows of the map point to old addresses, the
// status says so and how to fix it; any other status stays as it is.
std::string moved_rows_status(std::string_view status, int moved_rows);

// The status to show instead of `status` once the map is loaded, its rows counted against
// the symbols of the ELF file at `elf_path`; std::nullopt when it stays as it is (nothing
// moved, another status, no such file or one that cannot be read).
std::optional<std::string> status_after_map_load(std::string_view status,
                                                 const std::string& elf_path, const GridView& grid);

}  // namespace halvane
