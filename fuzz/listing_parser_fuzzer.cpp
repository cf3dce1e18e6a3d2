// The listing parser on arbitrary text: what the viewer shows of a program's listing, read for
// the addresses of its lines, then joined with a line table that agrees with every line.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "symbols/listing_address_map.h"
#include "symbols/listing_lines.h"

using namespace halvane;

namespace {

std::size_t line_count(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) count += c == '\n' ? 1 : 0;
    return count + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ParsedListing listing = parse_listing(text);

    // Every line has its file, and every file a name of its own.
    FUZZ_CHECK(listing.file_of_line.size() == line_count(text));
    for (const std::uint16_t file : listing.file_of_line)
        FUZZ_CHECK(file <= listing.included_files.size());
    for (std::size_t i = 0; i < listing.included_files.size(); ++i) {
        FUZZ_CHECK(!listing.included_files[i].empty());
        for (std::size_t k = 0; k < i; ++k)
            FUZZ_CHECK(listing.included_files[k] != listing.included_files[i]);
    }
    // Lines with bytes in listing order, each with bytes; sections only where they count.
    const bool gnu = listing.layout == ListingLayout::kSectionOffsets;
    for (std::size_t i = 0; i < listing.bytes.size(); ++i) {
        const ListingBytes& line = listing.bytes[i];
        FUZZ_CHECK(line.listing_line >= 1 &&
                   static_cast<std::size_t>(line.listing_line) <= listing.file_of_line.size());
        if (i > 0) FUZZ_CHECK(listing.bytes[i - 1].listing_line < line.listing_line);
        FUZZ_CHECK(line.size >= 1 && line.size <= size);
        FUZZ_CHECK(line.section.empty() != gnu);
    }

    // A final line end changes nothing.
    if (!text.empty() && text.back() != '\n') {
        const ParsedListing ended = parse_listing(std::string(text) + "\n");
        FUZZ_CHECK(ended.layout == listing.layout);
        FUZZ_CHECK(ended.file_of_line == listing.file_of_line);
        FUZZ_CHECK(ended.bytes.size() == listing.bytes.size());
    }

    // A line table with a row at 1000 plus its location for each line whose number no other
    // line with bytes has: every such line is code there, and every address of a line of
    // code leads back to a line of code that starts there.
    std::map<int, int> numbers;
    for (const ListingBytes& line : listing.bytes) ++numbers[line.source_line];
    const auto agreed = [&](const ListingBytes& line) {
        return line.source_line > 0 && numbers[line.source_line] == 1 && line.location < 0xF000;
    };
    ProgramLines program;
    program.present = true;
    program.table.status = LineTable::Status::kRead;
    for (const ListingBytes& line : listing.bytes) {
        if (agreed(line))
            program.table.rows.push_back(
                {"", line.source_line, static_cast<std::uint16_t>(0x1000 + line.location)});
    }
    const ListingAddressMap map = map_listing_addresses(listing, program);
    FUZZ_CHECK(map.empty() == (map.code_lines() == 0));
    FUZZ_CHECK(map.empty() != map.reason().empty());
    for (const ListingBytes& line : listing.bytes) {
        const auto address = map.address_of(line.listing_line);
        if (gnu && agreed(line)) FUZZ_CHECK(address == 0x1000 + line.location);
        if (!address) continue;
        const auto back = map.line_of(*address);
        FUZZ_CHECK(back.has_value());
        const auto place = map.place_of(*back);
        FUZZ_CHECK(place && place->code && place->address == *address);
    }
    return 0;
}
