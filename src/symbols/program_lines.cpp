#include "symbols/program_lines.h"

#include <utility>

#include "symbols/elf_symbols.h"
#include "text/whole_file.h"

namespace halvane {

ProgramLines read_program_lines(const std::string& path) {
    ProgramLines program;
    if (path.empty()) return program;
    program.present = true;
    // The symbol reader checks that the file is a readable 68HC11 ELF file and names it.
    SymbolFile symbols = read_program_symbols(path);
    if (!symbols.ok()) {
        program.error_text = std::move(symbols.error_text);
        return program;
    }
    program.symbols = std::move(symbols.symbols);
    const WholeFile file = read_whole_file(path, kElfFileLimit);
    if (file.status != WholeFile::Status::kRead) {
        program.error_text = path + " cannot be read: " + file.error_text;
        return program;
    }
    program.table = read_line_table(file.bytes);
    return program;
}

ListingAddressMap map_program_listing(std::string_view listing_text, const std::string& elf_path) {
    return map_program_listing(listing_text, read_program_lines(elf_path));
}

ListingAddressMap map_program_listing(std::string_view listing_text, const ProgramLines& program) {
    const ParsedListing listing = parse_listing(listing_text);
    if (listing.layout == ListingLayout::kAbsoluteAddresses && !program.error_text.empty())
        return map_listing_addresses(listing, ProgramLines{});
    return map_listing_addresses(listing, program);
}

}  // namespace halvane
