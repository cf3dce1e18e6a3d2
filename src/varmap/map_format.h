#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace halvane {

// One field per grid cell, row by row: 100 rows of 5 columns, the heading row first.
inline constexpr std::size_t kMapFields = 500;
inline constexpr std::size_t kMapFieldsPerRow = 5;

// A field as a map file writes it: between double quotes, a double quote inside written twice.
std::string quote_map_field(std::string_view text);

// The text of a variable map file holding `cells` in row order: every cell quoted as
// `quote_map_field` does, the five fields of a row joined by commas, each row ended by CR LF.
std::string format_map(std::span<const std::string> cells);

}  // namespace halvane
