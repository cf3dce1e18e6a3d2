#include "symbols/symbol_rows.h"

#include <array>
#include <cstdio>
#include <optional>
#include <unordered_map>

#include "grid/watch_table.h"

namespace halvane {

namespace {

enum class Kind { kByte, kWord, kArray };

constexpr std::string_view kArrayEnd = " bytes]";

Kind kind_of(const ProgramSymbol& symbol) {
    if (symbol.size == 2) return Kind::kWord;
    return symbol.size > 2 ? Kind::kArray : Kind::kByte;
}

// The name inside an array form "name[N bytes]", std::nullopt for any other text.
std::optional<std::string_view> array_form_name(std::string_view description) {
    if (!description.ends_with(kArrayEnd)) return std::nullopt;
    const std::string_view head = description.substr(0, description.size() - kArrayEnd.size());
    const std::size_t open = head.rfind('[');
    if (open == std::string_view::npos || open == 0 || open + 1 == head.size()) return std::nullopt;
    for (char c : head.substr(open + 1)) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    return head.substr(0, open);
}

// The name a Description stands for: an array form's name, or the text itself.
std::string_view described_name(std::string_view description) {
    return array_form_name(description).value_or(description);
}

bool blank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

bool holds_address_of(const WatchTable& table, int row, const ProgramSymbol& symbol) {
    return table.address(row) == symbol.address;
}

// What the row showed before: a block when its Description is an array form.
Kind row_kind(const WatchTable& table, int row) {
    if (array_form_name(table.text(row, kDescriptionCol))) return Kind::kArray;
    return table.word(row) ? Kind::kWord : Kind::kByte;
}

void fill_row(WatchTable& grid, int row, const ProgramSymbol& symbol) {
    grid.set_text(row, kAddressCol, row_address(symbol));
    grid.set_text(row, kDescriptionCol, row_description(symbol));
    grid.set_text(row, kHexValueCol, "");
    grid.set_text(row, kFlagCol, row_flag(symbol));
    grid.set_text(row, kDecValueCol, "");
}

// Brings a row that already names the symbol up to date; true when it had another address.
bool update_row(WatchTable& grid, int row, const ProgramSymbol& symbol) {
    if (row_kind(grid, row) != kind_of(symbol)) grid.set_text(row, kFlagCol, row_flag(symbol));
    if (array_form_name(grid.text(row, kDescriptionCol)))
        grid.set_text(row, kDescriptionCol, row_description(symbol));
    if (holds_address_of(grid, row, symbol)) return false;
    const bool had_address = !blank(grid.text(row, kAddressCol));
    grid.set_text(row, kAddressCol, row_address(symbol));
    // The values were read from the old address.
    grid.set_text(row, kHexValueCol, "");
    grid.set_text(row, kDecValueCol, "");
    return had_address;
}

}  // namespace

std::string row_address(const ProgramSymbol& symbol) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(symbol.address));
    return text;
}

std::string row_description(const ProgramSymbol& symbol) {
    if (kind_of(symbol) != Kind::kArray) return symbol.name;
    return symbol.name + "[" + std::to_string(symbol.size) + std::string(kArrayEnd);
}

std::string_view row_flag(const ProgramSymbol& symbol) {
    return kind_of(symbol) == Kind::kWord ? "WD" : "D";
}

bool describes(std::string_view description, std::string_view name) {
    return !name.empty() && described_name(description) == name;
}

std::vector<bool> default_marks(std::span<const ProgramSymbol> symbols) {
    std::vector<bool> marks;
    marks.reserve(symbols.size());
    for (const ProgramSymbol& symbol : symbols) marks.push_back(!symbol.in_code);
    return marks;
}

SymbolPlacement place_symbols(std::span<const ProgramSymbol> symbols, WatchTable& grid) {
    // Rows by the name their Description stands for, top row first.
    std::unordered_map<std::string, std::vector<int>> rows_named;
    for (int row = 1; row < WatchTable::kRows; ++row) {
        const std::string description = grid.text(row, kDescriptionCol);
        if (!description.empty())
            rows_named[std::string(described_name(description))].push_back(row);
    }

    // Rows that name a symbol are updated first, so that no new symbol takes such a row
    // because its Address happens to be empty.
    std::array<bool, WatchTable::kRows> taken{};
    std::vector<bool> placed(symbols.size(), false);
    SymbolPlacement result;
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const auto named = rows_named.find(symbols[i].name);
        if (named == rows_named.end()) continue;
        // A row already at the symbol's address is the one it belongs to.
        int chosen = -1;
        for (int row : named->second) {
            if (taken[row]) continue;
            if (chosen < 0) chosen = row;
            if (holds_address_of(grid, row, symbols[i])) {
                chosen = row;
                break;
            }
        }
        if (chosen < 0) continue;
        taken[chosen] = true;
        placed[i] = true;
        const bool had_address = !blank(grid.text(chosen, kAddressCol));
        if (update_row(grid, chosen, symbols[i])) {
            ++result.moved;
        } else if (!had_address) {
            ++result.added;
        }
    }

    int next_free = 1;
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        if (placed[i]) continue;
        while (next_free < WatchTable::kRows &&
               (taken[next_free] || !blank(grid.text(next_free, kAddressCol))))
            ++next_free;
        if (next_free == WatchTable::kRows) {
            result.left_out.push_back(symbols[i].name);
            continue;
        }
        taken[next_free] = true;
        fill_row(grid, next_free, symbols[i]);
        ++result.added;
    }
    return result;
}

int count_moved_rows(const WatchTable& table, std::span<const ProgramSymbol> symbols,
                     int last_row) {
    std::unordered_multimap<std::string_view, std::uint16_t> addresses;
    for (const ProgramSymbol& symbol : symbols) addresses.emplace(symbol.name, symbol.address);
    int moved = 0;
    for (int row = 1; row <= last_row && row < WatchTable::kRows; ++row) {
        if (blank(table.text(row, kAddressCol))) continue;
        const auto [first, last] =
            addresses.equal_range(described_name(table.text(row, kDescriptionCol)));
        if (first == last) continue;
        const std::optional<std::uint16_t> current = table.address(row);
        bool found = false;
        for (auto it = first; it != last && !found; ++it) found = current == it->second;
        if (!found) ++moved;
    }
    return moved;
}

std::string placement_summary(const SymbolPlacement& placement) {
    return "Rows added: " + std::to_string(placement.added) +
           ". Rows moved to a new address: " + std::to_string(placement.moved) +
           ". Symbols that did not fit into the 99 rows: " +
           std::to_string(placement.left_out.size()) + ".";
}

}  // namespace halvane
