// The CME11E9's 64 KiB address space as the processor sees it.
//
//   0000-01FF  internal RAM
//   0200-0FFF  external RAM
//   1000-103F  on-chip register block (handled by the attached Peripherals)
//   1040-7FFF  external RAM (programs load at 2400)
//   8000-B5FF  unmapped
//   B600-B7FF  EEPROM (the processor changes it only through the PPROG sequence)
//   B800-DFFF  unmapped
//   E000-FFFF  monitor ROM, vectors at FFD6-FFFF
//
// Unmapped space reads as FF (the data bus floats high on the board) and ignores writes; the
// processor's writes to ROM are ignored too.
#pragma once

#include <array>
#include <cstdint>

#include "hc11/registers.h"

namespace hc11 {

// The on-chip peripherals behind the register block, and the EEPROM programming logic.
class Peripherals {
  public:
    virtual ~Peripherals() = default;
    virtual std::uint8_t read_register(std::uint8_t offset) = 0;
    virtual void write_register(std::uint8_t offset, std::uint8_t value) = 0;
    // A register's current value without the side effects of a processor read.
    virtual std::uint8_t peek_register(std::uint8_t offset) const = 0;
    // A processor write into the EEPROM range; only a programming sequence changes the cells.
    virtual void write_eeprom(std::uint16_t address, std::uint8_t value) = 0;
};

enum class Region : std::uint8_t { ram, registers, eeprom, rom, unmapped };

class MemoryMap {
  public:
    MemoryMap();

    void attach(Peripherals* peripherals) { peripherals_ = peripherals; }

    // Processor accesses: the register block has side effects, ROM ignores writes.
    std::uint8_t read(std::uint16_t address) {
        if ((address & 0xFFC0) == board_map::REGISTERS) {
            return peripherals_->read_register(address & 0x3F);
        }
        return bytes_[address];
    }
    void write(std::uint16_t address, std::uint8_t value) {
        if (page_is_ram_[address >> 8]) {
            bytes_[address] = value;
        } else {
            write_slow(address, value);
        }
    }

    // Host accesses (the monitor, tests): no read side effects; writes land in RAM, registers
    // and EEPROM (programmed directly, as the monitor does); ROM and unmapped space refuse them.
    std::uint8_t peek(std::uint16_t address) const;
    bool poke(std::uint16_t address, std::uint8_t value);

    // Raw storage, for the board's own ROM image and the EEPROM programmer.
    std::uint8_t& cell(std::uint16_t address) { return bytes_[address]; }

    static Region region_of(std::uint16_t address);

  private:
    void write_slow(std::uint16_t address, std::uint8_t value);

    std::array<std::uint8_t, 0x10000> bytes_{};
    std::array<bool, 0x100> page_is_ram_{};  // whole 256-byte page is plain RAM
    Peripherals* peripherals_ = nullptr;
};

}  // namespace hc11
