#pragma once

#include <string>
#include <vector>

#include "debug/program_image.h"
#include "platform/program_symbol.h"
#include "symbols/listing_address_map.h"

namespace halvane {

// What debugging needs to know of the program on the board, from the files beside it.
struct DebugProgram {
    // The program's base path (without its extension): the same program across downloads and
    // rebuilds.
    std::string name;
    // The file name of the listing's main source ("counter.s"), from the line information;
    // empty where the program has none.
    std::string source_name;
    ListingAddressMap map;               // its listing's lines and their addresses
    std::vector<ProgramSymbol> symbols;  // from its ELF file; empty without one
    ProgramImage image;                  // its own bytes, from its S-records
};

// The program whose files are `base_name` plus ".s19", ".lst" and ".elf". A missing file leaves
// its part empty (and the map says why it has no addresses); the listing is read as the viewer
// shows it, so that its line numbers are the viewer's.
DebugProgram read_debug_program(std::string base_name);

}  // namespace halvane
