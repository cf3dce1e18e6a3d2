#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace boardsim {

// A line typed at the monitor's prompt, taken apart: the command its first word names (any
// leading part of a command's name names it, so "g" is go, "s" stopat, "h" help, while "m" could
// be md or mm and names nothing) and its arguments, in lower case.
struct CommandLine {
    enum class Command {
        kUnknown,
        kMemoryDisplay,   // md
        kMemoryModify,    // mm
        kRegisterModify,  // rm
        kBreakpoints,     // br
        kGo,              // g, go
        kProceed,         // p
        kTrace,           // t
        kStopAt,          // stopat
        kHelp,            // help
        kLoad,            // load
    };

    Command command = Command::kUnknown;
    std::string word;  // the first word as typed
    std::vector<std::string> arguments;
};

// Blank-separated words; nullopt for a line of blanks.
std::optional<CommandLine> parse_command_line(std::string_view line);

// A hexadecimal number of one to four digits.
std::optional<std::uint16_t> parse_hex_word(std::string_view text);

}  // namespace boardsim
