#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "dialogs/modal_dialogs.h"
#include "link/board_link.h"
#include "status/status_line.h"

namespace halvane {

// The serial port as the user deals with it: opening it at start, File > Serial Port (choose
// a port, or the same one again after an unplug), and what the status says while there is no
// port or the line is busy.
class PortSession {
  public:
    PortSession(BoardLink& link, StatusLine& status, ModalDialogs& dialogs);

    // Opens the port at start. False, with the reason shown, when it cannot be opened.
    bool open_at_start();
    // File > Serial Port.
    void choose_port();
    // Asked before the port changes, with what changes it: whoever must leave the old board
    // first (breakpoints in a running program) calls `go` once it has. Set by the session.
    using BeforeSwitch = std::function<void(std::function<void()> go)>;
    void set_before_switch(BeforeSwitch before) { before_switch_ = std::move(before); }

    // Whether a memory operation may start now; when not, the status says why.
    bool line_available();
    // The status says the port is closed, and why where the serial layer said.
    void report_port_closed();
    // Why there is no port; empty while the port is fine.
    const std::string& port_error() const { return port_error_; }
    // The next time the port is lost, `reason` is told why instead of the status (a download
    // that the port refused words its own failure).
    void expect_loss_reason(std::function<void(const std::string& error)> reason);

    // The link lost its port or switched it.
    void port_changed(const BoardLink::PortEvent& event);

  private:
    BeforeSwitch before_switch_;
    void switch_port(std::string_view typed);
    std::string cannot_open_text(const SerialPort::OpenResult& opened) const;
    void show_open_failure(const SerialPort::OpenResult& opened);

    BoardLink& link_;
    StatusLine& status_;
    ModalDialogs& dialogs_;
    // Why there is no port: what the serial layer said when it was lost, or why the port
    // chosen last did not open. Empty while the port is fine.
    std::string port_error_;
    std::function<void(const std::string& error)> loss_reason_;
};

}  // namespace halvane
