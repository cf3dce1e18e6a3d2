#include "hc11/memory_map.h"

namespace hc11 {

MemoryMap::MemoryMap() {
    for (unsigned address = 0; address < 0x10000; ++address) {
        const auto a = static_cast<std::uint16_t>(address);
        const Region r = region_of(a);
        bytes_[a] = (r == Region::ram) ? 0x00 : 0xFF;
    }
    for (unsigned page = 0; page < 0x100; ++page) {
        const auto first = static_cast<std::uint16_t>(page << 8);
        page_is_ram_[page] = region_of(first) == Region::ram &&
                             region_of(static_cast<std::uint16_t>(first + 0xFF)) == Region::ram &&
                             (first >> 8) != (board_map::REGISTERS >> 8);
    }
}

Region MemoryMap::region_of(std::uint16_t address) {
    using namespace board_map;
    if (address >= REGISTERS && address <= REGISTERS_END) return Region::registers;
    if (address <= EXTERNAL_RAM_END) return Region::ram;
    if (address >= EEPROM && address <= EEPROM_END) return Region::eeprom;
    if (address >= MONITOR_ROM) return Region::rom;
    return Region::unmapped;
}

void MemoryMap::write_slow(std::uint16_t address, std::uint8_t value) {
    switch (region_of(address)) {
        case Region::ram:
            bytes_[address] = value;
            break;
        case Region::registers:
            peripherals_->write_register(address & 0x3F, value);
            break;
        case Region::eeprom:
            peripherals_->write_eeprom(address, value);
            break;
        case Region::rom:
        case Region::unmapped:
            break;
    }
}

std::uint8_t MemoryMap::peek(std::uint16_t address) const {
    if (region_of(address) == Region::registers) {
        return peripherals_->peek_register(address & 0x3F);
    }
    return bytes_[address];
}

bool MemoryMap::poke(std::uint16_t address, std::uint8_t value) {
    switch (region_of(address)) {
        case Region::ram:
        case Region::eeprom:
            bytes_[address] = value;
            return true;
        case Region::registers:
            peripherals_->write_register(address & 0x3F, value);
            return true;
        case Region::rom:
        case Region::unmapped:
            return false;
    }
    return false;
}

}  // namespace hc11
