#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "varmap/map_format.h"

namespace halvane {

// The fields of a variable map text, in order, at most `limit` of them.
//
// Fields are separated by a comma or a line end (CR LF, LF or CR); lines carry no
// other meaning, and empty lines are skipped. Spaces and tabs before a field are
// skipped. A field that starts with a double quote runs to its closing quote, commas
// and line ends included, a doubled quote inside standing for one quote; anything
// between the closing quote and the next separator is dropped. Any other field runs
// to the next separator, without surrounding spaces and tabs.
std::vector<std::string> read_map_fields(std::string_view text, std::size_t limit = kMapFields);

}  // namespace halvane
