#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "hc11/board.h"

namespace boardsim {

// The monitor's four breakpoints. While the program runs each is an SWI (3F) in memory in place
// of the program's own byte; at every stop the monitor puts the program's bytes back, so memory
// shows the program as it was loaded.
class BreakpointTable {
  public:
    static constexpr std::size_t kPlaces = 4;
    static constexpr std::uint8_t kSwi = 0x3F;

    // False when the four places are taken; setting one already set changes nothing.
    bool add(std::uint16_t address);
    void remove(std::uint16_t address);
    void clear();
    // Memory that can hold an SWI: RAM or EEPROM.
    static bool can_hold(std::uint16_t address);

    // "2424 0000 0000 0000 ": each place, 0000 when free.
    std::string text() const;

    // The program starts: an SWI at each breakpoint, its own byte kept.
    void insert(hc11::Board& memory);
    // The program stopped (or the board is reset): its own bytes back. Nothing when not inserted.
    void take_out(hc11::Board& memory);

  private:
    std::array<std::uint16_t, kPlaces> places_{};  // 0000: free
    std::array<std::uint8_t, kPlaces> program_bytes_{};
    bool inserted_ = false;
};

}  // namespace boardsim
