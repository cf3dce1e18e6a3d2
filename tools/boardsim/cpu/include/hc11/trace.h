// One line per executed instruction, for users who debug their own programs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace hc11 {

struct Registers {
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    std::uint16_t sp = 0;
    std::uint16_t pc = 0;
    std::uint8_t ccr = 0;

    std::uint16_t d() const { return static_cast<std::uint16_t>((a << 8) | b); }
    void set_d(std::uint16_t value) {
        a = static_cast<std::uint8_t>(value >> 8);
        b = static_cast<std::uint8_t>(value);
    }
};

// The state just before an instruction executes.
struct TraceRecord {
    std::uint64_t cycle = 0;  // E-clock cycles since reset
    std::uint16_t pc = 0;
    std::uint8_t prefix = 0;  // 18, 1A or CD; 0 when the opcode has none
    std::uint8_t opcode = 0;
    Registers regs;
};

using TraceHandler = std::function<void(const TraceRecord&)>;

// "2400  CE      A=00 B=00 X=0000 Y=0000 SP=0041 CCR=D0 SX-I---- cyc=123"
std::string format_trace(const TraceRecord& record);

}  // namespace hc11
