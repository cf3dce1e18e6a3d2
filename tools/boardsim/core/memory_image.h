#pragma once

#include <array>
#include <bitset>
#include <cstdint>

namespace boardsim {

// The board's 64 KiB address space as the monitor and the running program see it. Besides the
// bytes it remembers which addresses a download has written, because starting a program where
// nothing was loaded leaves the board silent.
class MemoryImage {
  public:
    static constexpr std::size_t kSize = 0x10000;

    std::uint8_t read(std::uint16_t address) const { return bytes_[address]; }
    void write(std::uint16_t address, std::uint8_t value) { bytes_[address] = value; }

    // Stores a downloaded byte and marks its address as loaded.
    void load(std::uint16_t address, std::uint8_t value);
    bool is_loaded(std::uint16_t address) const { return loaded_[address]; }

  private:
    std::array<std::uint8_t, kSize> bytes_{};
    std::bitset<kSize> loaded_;
};

}  // namespace boardsim
