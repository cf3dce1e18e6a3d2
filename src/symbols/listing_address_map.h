#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "symbols/dwarf_lines.h"
#include "symbols/listing_lines.h"
#include "platform/program_symbol.h"

namespace halvane {

// What a program's ELF file tells about the lines of its listing.
struct ProgramLines {
    bool present = false;    // a file was named
    std::string error_text;  // it could not be read as a 68HC11 ELF file: why
    LineTable table;         // its line table, or why it has none
    // Its labels and variables: they place the lines of sections that hold no code.
    std::vector<ProgramSymbol> symbols;
};

// Where the bytes of a listing line are in the board's memory.
struct ListingPlace {
    std::uint16_t address = 0;
    std::uint32_t size = 0;  // the bytes the listing shows
    bool code = false;       // an instruction, not data (.byte, .word, ...)

    friend bool operator==(const ListingPlace&, const ListingPlace&) = default;
};

// A line of a program's source: the file ("" for the listing's main source, else the name
// its include directive gives) and the line number in it.
struct SourcePosition {
    std::string file;
    int line = 0;

    friend bool operator==(const SourcePosition&, const SourcePosition&) = default;
};

// The addresses of a program listing's lines and back. Listing lines are numbered from 1:
// line N is the N-th line of the listing file, as the viewer shows it.
class ListingAddressMap {
  public:
    enum class Status {
        kMapped,             // at least one line of code has its address
        kNoCode,             // the listing shows no code
        kNoProgramFile,      // a listing of section offsets and no ELF file
        kProgramUnreadable,  // the ELF file could not be read
        kNoLineInformation,  // the ELF file has no line table (assembled without --gdwarf2)
        kNotThisProgram,     // the line table places none of the listing's code
    };

    // The address of a line of code; none for a line of data, a line without bytes and a line
    // that continues another's bytes.
    std::optional<std::uint16_t> address_of(int listing_line) const;
    // The address, size and kind of any line with bytes that could be placed.
    std::optional<ListingPlace> place_of(int listing_line) const;
    // The line of code whose instruction starts at `address`, or the one before it when the
    // address falls inside that line's bytes; none elsewhere.
    std::optional<int> line_of(std::uint16_t address) const;

    // The file of an included line (as its include directive names it); none for a line of
    // the main source.
    std::optional<std::string_view> included_file(int listing_line) const;
    // Where a line with bytes came from, so that a line keeps its identity when the listing
    // is made again; and back, to the first listing line with bytes from there.
    std::optional<SourcePosition> source_of(int listing_line) const;
    std::optional<int> listing_line_of(const SourcePosition& position) const;

    Status status() const { return status_; }
    bool empty() const { return status_ != Status::kMapped; }
    // Why no line has an address, short enough for the status line; empty when mapped.
    const std::string& reason() const { return reason_; }
    int code_lines() const { return static_cast<int>(code_starts_.size()); }
    ListingLayout layout() const { return layout_; }

  private:
    friend ListingAddressMap map_listing_addresses(const ParsedListing& listing,
                                                   const ProgramLines& program);

    const ListingBytes* bytes_at(int listing_line) const;

    Status status_ = Status::kNoCode;
    std::string reason_;
    ListingLayout layout_ = ListingLayout::kAbsoluteAddresses;
    std::vector<std::string> included_files_;
    std::vector<std::uint16_t> file_of_line_;
    std::vector<ListingBytes> bytes_;                         // in listing order
    std::vector<std::optional<ListingPlace>> places_;         // beside bytes_
    std::vector<std::pair<std::uint16_t, int>> code_starts_;  // (address, listing line), sorted
};

// The join of a parsed listing with what the program's ELF file tells:
// - GNU as's listing (section offsets): each line with bytes and its source line number is
//   matched with the line table's rows for that number; the section's start is the address
//   most of them agree on (row address minus offset), and every line with bytes in the
//   section is placed from it. A line is code when the line table has a row for its number
//   at its address. A section without code (.data) is placed by its labels' symbols.
// - A listing of absolute addresses needs no ELF file: a line is code when the line table
//   has a row at its address, or without a line table when it is no data directive.
ListingAddressMap map_listing_addresses(const ParsedListing& listing, const ProgramLines& program);

// The same from the listing's text and the path of the program's ELF file (empty: none).
ListingAddressMap map_listing_addresses(std::string_view listing_text, const std::string& elf_path);

}  // namespace halvane
