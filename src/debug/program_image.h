#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "srecord/srecord.h"

namespace halvane {

// The bytes a program puts into the board's memory, as its S-records load them: what the program
// itself holds at an address, whatever the monitor has put there since (an SWI at a breakpoint).
class ProgramImage {
  public:
    ProgramImage() = default;
    // A later record's byte at an address replaces an earlier one's, as the monitor loads them.
    explicit ProgramImage(std::span<const SRecord> records);

    // The program's own byte at `address`; none where its records put nothing.
    std::optional<std::uint8_t> byte_at(std::uint16_t address) const;
    bool empty() const { return known_.empty(); }

  private:
    // The whole address space once the program has a byte: a look-up is then one index.
    std::vector<std::uint8_t> bytes_;
    std::vector<bool> known_;
};

}  // namespace halvane
