#include "cli/board_command.h"

#include <utility>

namespace halvane::cli {

BoardCommand::BoardCommand(BoardLink& link, Console& console, Finished finished)
    : link_(link),
      console_(console),
      finished_(std::move(finished)),
      port_watch_(link_.port_changed.subscribe([this](const BoardLink::PortEvent& event) {
          if (!event.switched && !ended_) port_lost(event.error);
      })) {}

void BoardCommand::finish(ExitStatus status) {
    if (ended_) return;
    ended_ = true;
    if (finished_) finished_(status);
}

bool BoardCommand::print_or_fail(std::string_view text) {
    if (console_.print(text)) return true;
    if (!console_.output_closed()) console_.error("standard output: " + console_.output_error());
    finish(ExitStatus::kFailure);
    return false;
}

std::string BoardCommand::on_port(std::string_view text) const {
    return link_.device_name() + ": " + std::string(text);
}

void BoardCommand::port_lost(const std::string& error) {
    console_.error(on_port(error.empty() ? "the serial port closed" : error));
    finish(ExitStatus::kFailure);
}

}  // namespace halvane::cli
