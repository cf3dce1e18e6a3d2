#include "symbols/code_place.h"

#include "symbols/elf_symbols.h"
#include "text/hex_digits.h"

namespace halvane {

std::string code_place(const std::vector<ProgramSymbol>& symbols, std::uint16_t address) {
    const ProgramSymbol* nearest = nullptr;
    for (const ProgramSymbol& symbol : symbols) {
        if (symbol.address > address) continue;
        // The last of those at the same address wins; symbols come in address order.
        if (!nearest || symbol.address >= nearest->address) nearest = &symbol;
    }
    if (!nearest) return {};
    const std::uint32_t offset = address - nearest->address;
    if (offset > kFarthestOffset) return {};
    if (offset == 0) return nearest->name;
    const std::size_t digits = offset < 0x10 ? 1 : offset < 0x100 ? 2 : 3;
    return nearest->name + "+" + hex_text(offset, digits);
}

std::string program_code_place(const std::string& elf_path, std::uint16_t address) {
    const SymbolFile file = read_program_symbols(elf_path);
    return file.ok() ? code_place(file.symbols, address) : std::string();
}

}  // namespace halvane
