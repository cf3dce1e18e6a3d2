#pragma once

#include <optional>
#include <string>

#include "cli/cli_arguments.h"

namespace halvane::cli {

// The text of --help: the commands, or one command's operands and options.
std::string help_text(std::optional<Command> command);

}  // namespace halvane::cli
