#include "debug/armed_reads.h"

namespace halvane {

void show_own_bytes(std::uint16_t first, std::span<std::uint8_t> read,
                    std::span<const std::uint16_t> armed, const ProgramImage& program) {
    for (const std::uint16_t address : armed) {
        // The distance from the read's start, in the 16-bit address space.
        const auto offset = static_cast<std::uint16_t>(address - first);
        if (offset >= read.size() || read[offset] != kSwiOpcode) continue;
        if (const auto own = program.byte_at(address)) read[offset] = *own;
    }
}

}  // namespace halvane
