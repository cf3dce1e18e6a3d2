// The EEPROM's programming logic behind PPROG: with EELAT set, a write to the EEPROM latches the
// address and data; setting EPGM then programs the byte (bits can only go from 1 to 0) or, with
// ERASE, erases the byte, its 16-byte row or the whole EEPROM to FF. Cells in a block that BPROT
// protects change neither way. The programming time of the real part (10 ms) is not modelled:
// the cells change when EPGM is set.
#pragma once

#include <cstdint>

#include "hc11/memory_map.h"

namespace hc11 {

class EepromProgrammer {
  public:
    explicit EepromProgrammer(MemoryMap& memory) : memory_(memory) {}

    void reset() { pprog_ = 0; }
    std::uint8_t pprog() const { return pprog_; }
    // `bprot` is the block protect register at the moment EPGM is set.
    void write_pprog(std::uint8_t value, std::uint8_t bprot);
    void write_cell(std::uint16_t address, std::uint8_t value);

  private:
    void program(std::uint8_t bprot);

    MemoryMap& memory_;
    std::uint8_t pprog_ = 0;
    std::uint16_t latched_address_ = 0;
    std::uint8_t latched_data_ = 0xFF;
};

}  // namespace hc11
