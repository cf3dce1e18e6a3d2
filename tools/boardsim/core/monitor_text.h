#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "hc11/trace.h"

namespace boardsim::monitor_text {

using std::string_view_literals::operator""sv;

// Every line the monitor prints ends with CR LF and one NUL, the padding a slow terminal of the
// board's time needed after a line feed.
inline constexpr std::string_view kLineEnd = "\r\n\0"sv;
// At the start of a line.
inline constexpr std::string_view kPrompt = ">";
// A line break, the banner line, a line break.
inline constexpr std::string_view kBanner =
    "\r\n\0"
    "CME11E9 monitor on boardsim, a simulated 68HC11E9 board (help lists the commands)\r\n\0"sv;
// One line per command, each with its line end.
inline constexpr std::string_view kHelp =
    "md ADDR [ADDR]     show memory, 16 bytes a line, to the line of the second ADDR\r\n\0"
    "mm ADDR            change memory: a value, then space (next byte) or CR (end)\r\n\0"
    "rm [P|Y|X|A|B|C|S] change registers: a value, then space (next) or CR (end)\r\n\0"
    "br [ADDR]...       set breakpoints (four places); -ADDR removes one, - all\r\n\0"
    "g [ADDR], go       run the program from ADDR, or from P\r\n\0"
    "p                  go on from a breakpoint\r\n\0"
    "t [N]              trace one instruction, or N (1 to FF)\r\n\0"
    "stopat ADDR        trace until P reaches ADDR\r\n\0"
    "load t             read S-records typed on this line\r\n\0"
    "help               this list\r\n\0"
    "Numbers are hexadecimal. A bare CR repeats the last command; Ctrl-X drops a line.\r\n\0"sv;

// Four upper-case hexadecimal digits, or two.
std::string hex4(unsigned value);
std::string hex2(unsigned value);

// "P-2424 Y-0000 X-2456 A-00 B-01 C-C4 S-01FF " (C the condition codes SXHINZVC).
std::string register_line(const hc11::Registers& registers);
// "2400 20 04 ... FD" and the 16 bytes as characters, a space for each that does not print.
std::string dump_line(std::uint16_t address, std::span<const std::uint8_t, 16> bytes);
// "OP- 8E 01 FF": a traced instruction's bytes.
std::string instruction_line(std::span<const std::uint8_t> bytes);

}  // namespace boardsim::monitor_text
