#pragma once

#include <string>
#include <string_view>

namespace halvane {

// The bytes a map file holds for the map text `text` (UTF-8).
//
// Maps made on older PCs are Windows-1252, and tools there read nothing else; the reader here
// takes UTF-8 first and every byte that is no UTF-8 as Windows-1252. So a map goes out in
// Windows-1252 when every character of it has a Windows-1252 byte and those bytes read back
// as the same text (they do not also form UTF-8), and in UTF-8 otherwise. Plain ASCII is the
// same either way.
std::string map_file_bytes(std::string_view text);

}  // namespace halvane
