#include "core/monitor_text.h"

#include <cstdio>

#include "text/hex_digits.h"

namespace boardsim::monitor_text {

std::string hex4(unsigned value) {
    return halvane::hex_text(value, 4);
}

std::string hex2(unsigned value) {
    return halvane::hex_text(value, 2);
}

std::string register_line(const hc11::Registers& r) {
    char text[64];
    std::snprintf(text, sizeof text, "P-%04X Y-%04X X-%04X A-%02X B-%02X C-%02X S-%04X ", r.pc, r.y,
                  r.x, r.a, r.b, r.ccr, r.sp);
    return text;
}

std::string dump_line(std::uint16_t address, std::span<const std::uint8_t, 16> bytes) {
    std::string line = hex4(address);
    for (std::uint8_t byte : bytes) line += " " + hex2(byte);
    line += ' ';
    for (std::uint8_t byte : bytes) {
        line += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : ' ';
    }
    return line;
}

std::string instruction_line(std::span<const std::uint8_t> bytes) {
    std::string line = "OP-";
    for (std::uint8_t byte : bytes) line += " " + hex2(byte);
    return line;
}

}  // namespace boardsim::monitor_text
