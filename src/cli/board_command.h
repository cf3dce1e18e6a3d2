#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "cli/console.h"
#include "cli/exit_status.h"
#include "link/board_link.h"

namespace halvane::cli {

// A command that works on the board over an open port. It runs on events of the board link
// alone and never waits; it ends once, telling `finished` its exit status, and whoever runs it
// then closes the link.
class BoardCommand {
  public:
    using Finished = std::function<void(ExitStatus status)>;

    BoardCommand(BoardLink& link, Console& console, Finished finished);
    virtual ~BoardCommand() = default;
    BoardCommand(const BoardCommand&) = delete;
    BoardCommand& operator=(const BoardCommand&) = delete;

    virtual void start() = 0;
    // Ctrl-C.
    virtual void interrupt() = 0;
    bool ended() const { return ended_; }

  protected:
    // Later calls are ignored: the first end is the one that counts.
    void finish(ExitStatus status);
    // Writes `text` to standard output. Where that fails, says why (unless the reader went
    // away), ends the command with a failure and returns false.
    bool print_or_fail(std::string_view text);
    // "DEVICE: text", for an error line about the port or the board behind it.
    std::string on_port(std::string_view text) const;
    // The port failed (unplugged, an I/O error): every job has ended. By default the reason is
    // told and the command ends with a failure.
    virtual void port_lost(const std::string& error);

    BoardLink& link_;
    Console& console_;

  private:
    Finished finished_;
    bool ended_ = false;
    Subscription port_watch_;
};

}  // namespace halvane::cli
