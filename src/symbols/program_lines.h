#pragma once

#include <string>
#include <string_view>

#include "symbols/listing_address_map.h"

namespace halvane {

// Reads the ELF file at `path` for the listing's addresses (an empty path: no file).
ProgramLines read_program_lines(const std::string& path);

// The addresses of the lines of a listing (its text as the viewer shows it), with the
// program's ELF file at `elf_path` (empty: none). A listing of absolute addresses does not
// need the file, and one that cannot be read does not stop it.
ListingAddressMap map_program_listing(std::string_view listing_text, const std::string& elf_path);
// The same with the program's ELF file read already.
ListingAddressMap map_program_listing(std::string_view listing_text, const ProgramLines& program);

}  // namespace halvane
