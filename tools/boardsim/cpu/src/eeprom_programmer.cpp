#include "hc11/eeprom_programmer.h"

namespace hc11 {

namespace {
constexpr std::uint8_t BYTE = 0x10;
constexpr std::uint8_t ROW = 0x08;
constexpr std::uint8_t ERASE = 0x04;
constexpr std::uint8_t EELAT = 0x02;
constexpr std::uint8_t EPGM = 0x01;
}  // namespace

void EepromProgrammer::write_pprog(std::uint8_t value) {
    const bool starts = (value & EPGM) && !(pprog_ & EPGM) && (value & EELAT);
    pprog_ = value;
    if (starts) program();
}

void EepromProgrammer::write_cell(std::uint16_t address, std::uint8_t value) {
    if ((pprog_ & EELAT) == 0 || (pprog_ & EPGM)) return;
    latched_address_ = address;
    latched_data_ = value;
}

void EepromProgrammer::program() {
    if ((pprog_ & ERASE) == 0) {
        memory_.cell(latched_address_) &= latched_data_;
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
    for (unsigned a = first; a <= last; ++a) memory_.cell(static_cast<std::uint16_t>(a)) = 0xFF;
}

}  // namespace hc11
