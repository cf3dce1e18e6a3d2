#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "link/board_link.h"
#include "link/monitor_command.h"
#include "status/status_line.h"

namespace halvane {

// The console to the board: a line the user typed goes to the monitor when it listens (the
// answer shows in the receive box, as everything the board prints does), or to the running
// program as typed, a character a tick between the link's own requests. A line with a character
// that starts a responder request is refused while the program runs: the responder would take
// what follows as a request. An empty line sends nothing, as a bare CR at the prompt would
// repeat the monitor's last command. The last kHistoryLines lines can be recalled.
class BoardConsole {
  public:
    static constexpr std::size_t kHistoryLines = 50;
    // The characters that start a responder request.
    static constexpr std::string_view kRequestStarts = "*#%=";

    BoardConsole(BoardLink& link, StatusLine& status);

    // Enter: the line goes, with its CR. False when nothing was sent (an empty line, a refusal).
    bool enter(const std::string& line);
    // Up and Down: the line before or after the one shown, from the newest; nothing past the
    // oldest, and an empty line past the newest.
    std::optional<std::string> recall_older();
    std::optional<std::string> recall_newer();

    // The last reply of a line that went to the monitor.
    Signal<const MonitorReply&> answered;

  private:
    void remember(const std::string& line);
    void refuse();
    void typed_done(const MonitorReply& reply);

    BoardLink& link_;
    StatusLine& status_;
    std::deque<std::string> history_;  // oldest first
    std::size_t shown_ = 0;            // history_.size(): the new, empty line
};

// Whether `line` holds a character that starts a responder request.
bool holds_request_start(std::string_view line);

}  // namespace halvane
