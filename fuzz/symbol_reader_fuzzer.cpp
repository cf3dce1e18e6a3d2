// The symbol reader on arbitrary file contents: what File > Import Symbols, the check after
// File > Open and --map-from-symbols hand to libelf, then the placement of what was read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "grid/watch_table.h"
#include "symbols/elf_symbols.h"
#include "symbols/symbol_rows.h"

using namespace halvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const SymbolFile file = read_elf_symbols(bytes);
    if (!file.ok()) {
        FUZZ_CHECK(!file.error_text.empty());
        FUZZ_CHECK(file.symbols.empty());
        return 0;
    }

    bool array_like_names = false;
    for (std::size_t i = 0; i < file.symbols.size(); ++i) {
        const ProgramSymbol& symbol = file.symbols[i];
        FUZZ_CHECK(!is_hidden_symbol_name(symbol.name));
        FUZZ_CHECK(symbol.size >= 1 && symbol.size <= 0x10000);
        if (i > 0) FUZZ_CHECK(file.symbols[i - 1].address <= symbol.address);
        array_like_names = array_like_names || symbol.name.find('[') != std::string::npos;
    }

    // Into an empty grid every symbol goes into its own row until the 99 rows are full,
    // and no row it filled points anywhere but at its symbol.
    WatchTable grid;
    const SymbolPlacement placed = place_symbols(file.symbols, grid);
    const std::size_t fitting = std::min<std::size_t>(file.symbols.size(), WatchTable::kRows - 1);
    FUZZ_CHECK(placed.moved == 0);
    FUZZ_CHECK(static_cast<std::size_t>(placed.added) == fitting);
    FUZZ_CHECK(placed.left_out.size() == file.symbols.size() - fitting);
    FUZZ_CHECK(count_moved_rows(grid, file.symbols) == 0);
    for (std::size_t i = 0; i < fitting; ++i) {
        FUZZ_CHECK(grid.text(static_cast<int>(i) + 1, 0) == row_address(file.symbols[i]));
    }

    // Importing the same symbols again moves nothing (names that look like an array form
    // of another name can take each other's rows, so they are left out of this check).
    if (!array_like_names) {
        const SymbolPlacement again = place_symbols(file.symbols, grid);
        FUZZ_CHECK(again.moved == 0);
    }
    return 0;
}
