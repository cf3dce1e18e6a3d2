#include "debug/stop_place.h"

#include "text/hex_digits.h"

namespace halvane {

std::string stop_place(std::span<const ProgramSymbol> symbols, std::uint16_t address) {
    const ProgramSymbol* nearest = nullptr;
    for (const ProgramSymbol& symbol : symbols) {
        if (symbol.address <= address && (nearest == nullptr || symbol.address > nearest->address))
            nearest = &symbol;
    }
    if (nearest == nullptr) return {};
    const unsigned offset = address - nearest->address;
    // A label's size reaches to the next symbol of its section, so this is the label's code.
    if (offset >= nearest->size) return {};
    if (offset == 0) return nearest->name;
    std::string digits = hex_text(offset, 4);
    digits.erase(0, digits.find_first_not_of('0'));
    return nearest->name + "+" + digits;
}

}  // namespace halvane
