#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/memory_target.h"

namespace halvane::cli {

// The names a WHAT may use: none, the Descriptions of a variable map's rows, or the symbols of
// a linked program (ELF file).
class VariableNames {
  public:
    // A WHAT turned into a target, or why it cannot be one (a line naming the file).
    struct Lookup {
        std::optional<MemoryTarget> target;
        std::string error;
    };
    // Names loaded from a file, or why the file gives none.
    struct Loaded;

    VariableNames() = default;
    static Loaded from_map(const std::string& path);
    static Loaded from_elf(const std::string& path);

    // An address as address_target reads it, else a name: exactly one row of the map (a word
    // where its Flag has W; the row's Address must be four hexadecimal digits), or exactly one
    // symbol of the program of 1 byte or 2 (a word).
    Lookup find(std::string_view what) const;

    // What watch watches without WHATs: each row of the map that has a Description and a
    // usable Address, in row order; or the program's data symbols as File > Import Symbols
    // puts them into rows (a symbol larger than a word is its first byte, named "name[N
    // bytes]"), in address order.
    std::vector<MemoryTarget> every_name() const;

    // The file the names come from; empty for none.
    const std::string& source() const { return source_; }

  private:
    struct Entry {
        std::string name;
        std::string address_text;  // as the map's row holds it (symbols: their address)
        std::optional<std::uint16_t> address;
        bool word = false;
        std::uint32_t size = 0;  // symbols: their size in bytes; map rows: 0
        int row = 0;             // map rows: the row number; symbols: 0
        bool in_code = false;
    };

    Lookup by_name(std::string_view what) const;

    std::string source_;
    bool from_elf_ = false;
    std::vector<Entry> entries_;
};

struct VariableNames::Loaded {
    VariableNames names;
    std::string error;  // why the file gives no names, naming it; empty when loaded
};

}  // namespace halvane::cli
