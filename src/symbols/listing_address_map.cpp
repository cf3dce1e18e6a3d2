#include "symbols/listing_address_map.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace halvane {

namespace {

using Status = ListingAddressMap::Status;

constexpr std::int64_t kAddressSpace = 0x10000;

// Where a section starts, chosen by votes: the base most lines agree on, if it has a majority
// of the lines that could vote.
class BaseVotes {
  public:
    void vote(const std::string& section, std::int64_t base) { ++votes_[section][base]; }
    void could_vote(const std::string& section) { ++voters_[section]; }

    std::map<std::string, std::int64_t> winners() const {
        std::map<std::string, std::int64_t> bases;
        for (const auto& [section, tally] : votes_) {
            const auto best =
                std::max_element(tally.begin(), tally.end(),
                                 [](const auto& a, const auto& b) { return a.second < b.second; });
            const auto voters = voters_.find(section);
            if (voters != voters_.end() && best->second * 2 >= voters->second)
                bases[section] = best->first;
        }
        return bases;
    }

  private:
    std::map<std::string, std::map<std::int64_t, int>> votes_;
    std::map<std::string, int> voters_;
};

std::optional<std::uint16_t> placed_address(std::int64_t base, std::uint32_t location) {
    const std::int64_t address = base + location;
    if (address < 0 || address >= kAddressSpace) return std::nullopt;
    return static_cast<std::uint16_t>(address);
}

// The line table's rows as (address, line) pairs, sorted, and by line number.
struct RowIndex {
    std::vector<std::pair<std::uint16_t, int>> by_address;
    std::unordered_multimap<int, std::uint16_t> by_line;

    explicit RowIndex(const std::vector<SourceLine>& rows) {
        by_address.reserve(rows.size());
        for (const SourceLine& row : rows) {
            by_address.emplace_back(row.address, row.line);
            by_line.emplace(row.line, row.address);
        }
        std::sort(by_address.begin(), by_address.end());
    }

    bool has(std::uint16_t address, int line) const {
        return std::binary_search(by_address.begin(), by_address.end(), std::pair{address, line});
    }
    bool has_address(std::uint16_t address) const {
        const auto at = std::lower_bound(by_address.begin(), by_address.end(),
                                         std::pair<std::uint16_t, int>{address, 0});
        return at != by_address.end() && at->first == address;
    }
};

// GNU as's listing: section starts from the line table, then from the symbols.
std::vector<std::optional<ListingPlace>> place_section_offsets(const ParsedListing& listing,
                                                               const ProgramLines& program) {
    const RowIndex rows(program.table.rows);
    BaseVotes code_votes;
    for (const ListingBytes& line : listing.bytes) {
        const auto [first, last] = rows.by_line.equal_range(line.source_line);
        if (first == last) continue;
        code_votes.could_vote(line.section);
        for (auto row = first; row != last; ++row)
            code_votes.vote(line.section, std::int64_t{row->second} - line.location);
    }
    std::map<std::string, std::int64_t> bases = code_votes.winners();

    std::unordered_map<std::string_view, std::uint16_t> symbols;
    for (const ProgramSymbol& symbol : program.symbols)
        symbols.emplace(symbol.name, symbol.address);
    BaseVotes label_votes;
    for (const ListingBytes& line : listing.bytes) {
        const auto symbol = symbols.find(line.label);
        if (bases.contains(line.section) || symbol == symbols.end()) continue;
        label_votes.could_vote(line.section);
        label_votes.vote(line.section, std::int64_t{symbol->second} - line.location);
    }
    bases.merge(label_votes.winners());

    std::vector<std::optional<ListingPlace>> places(listing.bytes.size());
    for (std::size_t i = 0; i < listing.bytes.size(); ++i) {
        const ListingBytes& line = listing.bytes[i];
        const auto base = bases.find(line.section);
        if (base == bases.end()) continue;
        const auto address = placed_address(base->second, line.location);
        if (!address) continue;
        places[i] = ListingPlace{*address, line.size, rows.has(*address, line.source_line)};
    }
    return places;
}

std::vector<std::optional<ListingPlace>> place_absolute(const ParsedListing& listing,
                                                        const ProgramLines& program) {
    const bool table = program.table.ok();
    const RowIndex rows(table ? program.table.rows : std::vector<SourceLine>{});
    std::vector<std::optional<ListingPlace>> places(listing.bytes.size());
    for (std::size_t i = 0; i < listing.bytes.size(); ++i) {
        const ListingBytes& line = listing.bytes[i];
        const auto address = placed_address(0, line.location);
        if (!address) continue;
        const bool code = table ? rows.has_address(*address) : !line.data_directive;
        places[i] = ListingPlace{*address, line.size, code};
    }
    return places;
}

// Why the listing's lines cannot be placed before anything is joined, if they cannot.
std::optional<std::pair<Status, std::string>> missing_part(const ParsedListing& listing,
                                                           const ProgramLines& program) {
    if (listing.bytes.empty()) return std::pair{Status::kNoCode, "the listing shows no code"};
    if (listing.layout != ListingLayout::kSectionOffsets) return std::nullopt;
    if (!program.present) {
        return std::pair{Status::kNoProgramFile,
                         "the listing's lines have no addresses without the program's ELF file"};
    }
    if (!program.error_text.empty())
        return std::pair{Status::kProgramUnreadable, program.error_text};
    if (!program.table.ok()) return std::pair{Status::kNoLineInformation, program.table.error_text};
    return std::nullopt;
}

}  // namespace

ListingAddressMap map_listing_addresses(const ParsedListing& listing, const ProgramLines& program) {
    ListingAddressMap map;
    map.layout_ = listing.layout;
    map.included_files_ = listing.included_files;
    map.file_of_line_ = listing.file_of_line;
    map.bytes_ = listing.bytes;
    if (const auto missing = missing_part(listing, program)) {
        map.status_ = missing->first;
        map.reason_ = missing->second;
        map.places_.resize(listing.bytes.size());
        return map;
    }
    map.places_ = listing.layout == ListingLayout::kSectionOffsets
                      ? place_section_offsets(listing, program)
                      : place_absolute(listing, program);
    for (std::size_t i = 0; i < map.places_.size(); ++i) {
        if (map.places_[i] && map.places_[i]->code)
            map.code_starts_.emplace_back(map.places_[i]->address, listing.bytes[i].listing_line);
    }
    std::sort(map.code_starts_.begin(), map.code_starts_.end());
    if (!map.code_starts_.empty()) {
        map.status_ = Status::kMapped;
    } else if (listing.layout == ListingLayout::kSectionOffsets) {
        map.status_ = Status::kNotThisProgram;
        map.reason_ =
            "the listing does not match the program's line information: assemble it again";
    } else {
        map.status_ = Status::kNoCode;
        map.reason_ = "the listing shows no code";
    }
    return map;
}

const ListingBytes* ListingAddressMap::bytes_at(int listing_line) const {
    const auto at = std::lower_bound(
        bytes_.begin(), bytes_.end(), listing_line,
        [](const ListingBytes& line, int wanted) { return line.listing_line < wanted; });
    return at != bytes_.end() && at->listing_line == listing_line ? &*at : nullptr;
}

std::optional<ListingPlace> ListingAddressMap::place_of(int listing_line) const {
    const ListingBytes* line = bytes_at(listing_line);
    if (line == nullptr) return std::nullopt;
    return places_[static_cast<std::size_t>(line - bytes_.data())];
}

std::optional<std::uint16_t> ListingAddressMap::address_of(int listing_line) const {
    const auto place = place_of(listing_line);
    if (!place || !place->code) return std::nullopt;
    return place->address;
}

std::optional<int> ListingAddressMap::line_of(std::uint16_t address) const {
    auto after = std::upper_bound(
        code_starts_.begin(), code_starts_.end(), address,
        [](std::uint16_t wanted, const auto& start) { return wanted < start.first; });
    if (after == code_starts_.begin()) return std::nullopt;
    const std::uint16_t start = std::prev(after)->first;
    // Of lines that start at the same address, the first in the listing.
    const auto first =
        std::lower_bound(code_starts_.begin(), after, std::pair<std::uint16_t, int>{start, 0});
    const auto place = place_of(first->second);
    if (!place || address >= std::uint32_t{start} + place->size) return std::nullopt;
    return first->second;
}

std::optional<std::string_view> ListingAddressMap::included_file(int listing_line) const {
    if (listing_line < 1 || static_cast<std::size_t>(listing_line) > file_of_line_.size())
        return std::nullopt;
    const std::uint16_t file = file_of_line_[static_cast<std::size_t>(listing_line) - 1];
    if (file == 0) return std::nullopt;
    return std::string_view(included_files_[file - 1]);
}

std::optional<SourcePosition> ListingAddressMap::source_of(int listing_line) const {
    const ListingBytes* line = bytes_at(listing_line);
    if (line == nullptr || line->source_line == 0) return std::nullopt;
    return SourcePosition{std::string(included_file(listing_line).value_or("")), line->source_line};
}

std::optional<int> ListingAddressMap::listing_line_of(const SourcePosition& position) const {
    for (const ListingBytes& line : bytes_) {
        if (line.source_line == position.line && source_of(line.listing_line) == position)
            return line.listing_line;
    }
    return std::nullopt;
}

}  // namespace halvane
