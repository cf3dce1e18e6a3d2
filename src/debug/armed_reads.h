#pragma once

#include <cstdint>
#include <span>

#include "debug/program_image.h"

namespace halvane {

// The instruction the monitor puts at each armed breakpoint while the program runs.
inline constexpr std::uint8_t kSwiOpcode = 0x3F;

// A read of the board's memory from `first` (the bytes in `read`, wrapping at the top of memory)
// made while the breakpoints at `armed` are in memory: where it shows the monitor's SWI at one of
// them, it shows the program's own byte there instead, so that a breakpoint never changes a byte
// of the program as the user sees it. Bytes the program does not define stay as read.
void show_own_bytes(std::uint16_t first, std::span<std::uint8_t> read,
                    std::span<const std::uint16_t> armed, const ProgramImage& program);

}  // namespace halvane
