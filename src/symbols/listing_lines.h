#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace halvane {

// What the hex column left of a listing's bytes means.
enum class ListingLayout {
    // GNU as (`m68hc11-as -aln=FILE`): the offset in the line's section, counted before the
    // program is linked; the program's line information gives the addresses.
    kSectionOffsets,
    // Other 68HC11 assemblers: the address itself.
    kAbsoluteAddresses,
};

// A line of the listing that shows bytes the assembler produced.
struct ListingBytes {
    int listing_line = 0;        // 1-based: the N-th line of the listing text
    int source_line = 0;         // the source line number printed left of it; 0 where none is
    std::uint32_t location = 0;  // the hex column: section offset or address (see the layout)
    // Bytes shown on the line and on the lines that continue it. GNU as shows at most a few
    // continuation lines, so a long .space or .ascii shows fewer bytes than it holds.
    std::uint32_t size = 0;
    std::string section;          // the section in force (GNU as only; ".text" until a directive)
    std::string label;            // the label the line defines, if any
    bool data_directive = false;  // .byte, .word, fcb, fdb, ...: data, whatever the bytes
};

struct ParsedListing {
    ListingLayout layout = ListingLayout::kAbsoluteAddresses;
    std::vector<ListingBytes> bytes;  // in listing order
    // The files named by the listing's include directives, as written there, each once.
    std::vector<std::string> included_files;
    // For each listing line (index 0 is line 1): 0 for the main source, else 1 + the index of
    // its file in included_files.
    std::vector<std::uint16_t> file_of_line;
};

// Reads a listing as the viewer shows it (lines ended by "\n"; a "\r" before it is ignored).
//
// A line's columns are, left to right: an optional decimal source line number (a '/' or ':'
// after it is allowed), a hex location of 4 to 8 digits (a ':' after it or a lone ':' is
// allowed), the bytes as two-digit hex numbers one blank apart, then the source text. In GNU
// as's listing the source starts after the first tab; in others after a tab or two blanks
// following a byte, or at the first word that is no byte. So
// "  30 0000 8E 01 FF    \t lds #STACK_TOP", "  30 2406 8E 01 FF  lds #$01FF",
// "2406 8E 01 FF lds #$01FF" and "    30/    2406 : 8E 01 FF   lds #$01FF" all read as bytes
// 8E 01 FF at location 0000 or 2406. A line that carries its source line's number and bytes
// but no location and no source continues the one before.
//
// The listing is GNU as's (section offsets) when it carries GNU as's page heading ("... GAS
// ... page N") or when most of its numbered lines have GNU as's shape: the number right-aligned
// in four columns, then nothing but hex digits and blanks up to a tab. Any other listing's
// locations are addresses.
//
// Include directives (`.include "FILE"`, `include FILE`, `#include <FILE>`) start another
// file, whose line numbers start again at 1. The included file ends where the numbers leave
// its sequence and take up the including line's number plus one. A file included at line N
// that itself has exactly N lines cannot be told from a longer one: the including file's
// lines after it then count as the included file's. Without line numbers nothing counts as
// included.
ParsedListing parse_listing(std::string_view text);

}  // namespace halvane
