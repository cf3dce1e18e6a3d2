#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cli/board_command.h"
#include "cli/cli_arguments.h"
#include "cli/command_targets.h"
#include "cli/console.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

namespace halvane::cli {

// What a board command works on, checked before the port is opened, so that a mistake sends
// nothing: the targets of read, write and watch, or the program file of download.
struct PreparedCommand {
    CommandTargets targets;
    std::uint16_t address = 0;  // run-to's
    bool ok = true;  // false: the reason is on the console, and the exit status is kUsage
};
PreparedCommand prepare_board_command(const Arguments& arguments, Console& console);

// The command the arguments name, on `link`; with `show_progress` a download shows its progress.
std::unique_ptr<BoardCommand> make_board_command(const Arguments& arguments,
                                                 PreparedCommand prepared, BoardLink& link,
                                                 Clock& clock, Console& console, bool show_progress,
                                                 BoardCommand::Finished finished);

// The error line when the port named `shown` (what the user typed, and the device) did not open.
std::string cannot_open_text(const std::string& shown, const SerialPort::OpenResult& opened);

}  // namespace halvane::cli
