#pragma once

#include <string>

#include "cli/board_command.h"
#include "link/monitor_command.h"

namespace halvane::cli {

// monitor LINE: types one line at the monitor's prompt (the link's state check has cleared the
// line with Ctrl-X first) and prints the monitor's answer up to its next prompt, without the
// echo and the NULs. A command that lets the program run prints nothing. Ends with a failure
// when the monitor does not answer: a program runs, or there is no board.
class MonitorCommand : public BoardCommand {
  public:
    MonitorCommand(BoardLink& link, Console& console, std::string line, Finished finished);

    void start() override;
    void interrupt() override;

  private:
    void answered(const MonitorReply& reply);

    std::string line_;
};

}  // namespace halvane::cli
