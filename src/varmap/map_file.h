#pragma once

#include <cstdint>
#include <string>

#include "grid/watch_table.h"

namespace halvane {

// A variable map holds 500 short fields; anything this large is not one.
inline constexpr std::uintmax_t kMapFileLimit = 16 * 1024 * 1024;

struct MapLoadResult {
    bool ok = false;
    std::string error_text;  // why the file could not be read
    int fields = 0;          // how many cells the file filled
};

// Reads the whole variable map file at `path`, then fills the table cells it has
// fields for (row 0 included). A file that cannot be read changes nothing.
MapLoadResult load_map_file(const std::string& path, WatchTable& table);

struct MapSaveResult {
    bool ok = false;
    std::string error_text;  // why the file could not be written
};

// Writes all 500 cells of the table to `path`, in Windows-1252 where that reads back the same
// and in UTF-8 otherwise (map_file_bytes). Either the whole map is written or the file at
// `path` is left as it was.
MapSaveResult save_map_file(const std::string& path, const WatchTable& table);

}  // namespace halvane
