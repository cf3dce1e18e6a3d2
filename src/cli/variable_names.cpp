#include "cli/variable_names.h"

#include <memory>

#include "grid/watch_table.h"
#include "symbols/elf_symbols.h"
#include "symbols/symbol_rows.h"
#include "varmap/map_file.h"

namespace halvane::cli {

VariableNames::Loaded VariableNames::from_map(const std::string& path) {
    Loaded loaded;
    auto table = std::make_unique<WatchTable>();
    const MapLoadResult result = load_map_file(path, *table);
    if (!result.ok) {
        loaded.error = path + ": " + result.error_text;
        return loaded;
    }
    loaded.names.source_ = path;
    for (int row = 1; row < WatchTable::kRows; ++row) {
        const std::string& description = table->text(row, kDescriptionCol);
        if (description.empty()) continue;
        loaded.names.entries_.push_back({description, table->text(row, kAddressCol),
                                         table->address(row), table->word(row), 0, row, false});
    }
    return loaded;
}

VariableNames::Loaded VariableNames::from_elf(const std::string& path) {
    Loaded loaded;
    const SymbolFile file = read_program_symbols(path);
    if (!file.ok()) {
        loaded.error = file.error_text;
        return loaded;
    }
    loaded.names.source_ = path;
    loaded.names.from_elf_ = true;
    for (const ProgramSymbol& symbol : file.symbols) {
        loaded.names.entries_.push_back({symbol.name, row_address(symbol), symbol.address,
                                         symbol.size == 2, symbol.size, 0, symbol.in_code});
    }
    return loaded;
}

VariableNames::Lookup VariableNames::find(std::string_view what) const {
    if (std::optional<MemoryTarget> target = address_target(what)) return {std::move(target), {}};
    return by_name(what);
}

VariableNames::Lookup VariableNames::by_name(std::string_view what) const {
    const std::string quoted = "'" + std::string(what) + "'";
    if (source_.empty()) {
        return {std::nullopt, quoted +
                                  " is neither an address (AAAA or AAAA:w) nor a name: names "
                                  "come from --map or --elf"};
    }
    std::vector<const Entry*> found;
    for (const Entry& entry : entries_) {
        if (entry.name == what) found.push_back(&entry);
    }
    if (found.empty()) {
        return {std::nullopt, source_ + ": no " + (from_elf_ ? "symbol " : "row ") + quoted +
                                  " (and it is not an address, AAAA or AAAA:w)"};
    }
    if (found.size() > 1) {
        if (from_elf_) return {std::nullopt, source_ + ": two symbols are called " + quoted};
        return {std::nullopt, source_ + ": rows " + std::to_string(found[0]->row) + " and " +
                                  std::to_string(found[1]->row) + " are both called " + quoted};
    }
    const Entry& entry = *found.front();
    if (!entry.address) {
        return {std::nullopt, source_ + ": the Address of row " + std::to_string(entry.row) + " (" +
                                  quoted + "), '" + entry.address_text +
                                  "', is not four hexadecimal digits"};
    }
    if (from_elf_ && entry.size > 2) {
        return {std::nullopt, source_ + ": " + quoted + " is " + std::to_string(entry.size) +
                                  " bytes; only symbols of 1 or 2 bytes are read by name (give "
                                  "its address, " +
                                  entry.address_text + ", for its first byte)"};
    }
    return {MemoryTarget{entry.name, *entry.address, entry.word}, {}};
}

std::vector<MemoryTarget> VariableNames::every_name() const {
    std::vector<MemoryTarget> targets;
    for (const Entry& entry : entries_) {
        if (!entry.address) continue;
        if (!from_elf_) {
            targets.push_back({entry.name, *entry.address, entry.word});
        } else if (!entry.in_code) {
            const ProgramSymbol symbol{entry.name, *entry.address, entry.size, false};
            targets.push_back({row_description(symbol), symbol.address, symbol.size == 2});
        }
    }
    return targets;
}

}  // namespace halvane::cli
