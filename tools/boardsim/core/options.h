#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/board.h"

namespace boardsim {

// What the command line asks for.
struct Options {
    BoardConfig board;
    std::optional<std::string> link_path;
    std::optional<std::string> log_path;
    std::optional<std::string> trace_path;
    // The monitor ROM image and the EEPROM's contents; main reads them into `board`.
    std::optional<std::string> rom_path;
    std::optional<std::string> eeprom_path;
    bool help = false;
};

struct OptionError {
    std::string message;
};

// Parses the arguments after the program name. Both "--log FILE" and "--log=FILE" work.
std::variant<Options, OptionError> parse_options(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace boardsim
