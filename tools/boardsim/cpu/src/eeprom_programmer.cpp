#include "hc11/eeprom_programmer.h"

namespace hc11 {

namespace {
constexpr std::uint8_t BYTE = 0x10;
constexpr std::uint8_t ROW = 0x08;
constexpr std::uint8_t ERASE = 0x04;
constexpr std::uint8_t EELAT = 0x02;
constexpr std::uint8_t EPGM = 0x01;

// BPRT0 guards B600-B61F, BPRT1 B620-B65F, BPRT2 B660-B6DF, BPRT3 B6E0-B7FF.
bool is_protected(std::uint16_t address, std::uint8_t bprot) {
    const unsigned offset = address - board_map::EEPROM;
    const unsigned block = offset < 0x20 ? 0 : offset < 0x60 ? 1 : offset < 0xE0 ? 2 : 3;
    return (bprot >> block) & 1u;
}
}  // namespace

void EepromProgrammer::write_pprog(std::uint8_t value, std::uint8_t bprot) {
    const bool starts = (value & EPGM) && !(pprog_ & EPGM) && (value & EELAT);
    pprog_ = value;
    if (starts) program(bprot);
}

void EepromProgrammer::write_cell(std::uint16_t address, std::uint8_t value) {
    if ((pprog_ & EELAT) == 0 || (pprog_ & EPGM)) return;
    latched_address_ = address;
    latched_data_ = value;
}

void EepromProgrammer::program(std::uint8_t bprot) {
    if ((pprog_ & ERASE) == 0) {
        if (!is_protected(latched_address_, bprot)) memory_.cell(latched_address_) &= latched_data_;
        return;
    }
    std::uint16_t first = board_map::EEPROM;
    std::uint16_t last = board_map::EEPROM_END;
    if (pprog_ & BYTE) {
        first = last = latched_address_;
    } else if (pprog_ & ROW) {
        first = static_cast<std::uint16_t>(latched_address_ & ~0x0F);
        last = static_cast<std::uint16_t>(first + 0x0F);
    }
    for (unsigned a = first; a <= last; ++a) {
        const auto address = static_cast<std::uint16_t>(a);
        if (!is_protected(address, bprot)) memory_.cell(address) = 0xFF;
    }
}

}  // namespace hc11
