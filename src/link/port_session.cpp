#include "link/port_session.h"

#include <utility>

#include "link/serial_device.h"
#include "status/status_texts.h"

namespace halvane {

PortSession::PortSession(BoardLink& link, StatusLine& status, ModalDialogs& dialogs)
    : link_(link), status_(status), dialogs_(dialogs) {}

std::string PortSession::cannot_open_text(const SerialPort::OpenResult& opened) const {
    return "Cannot open the serial port " + link_.device_name() + ": " + opened.error_text;
}

void PortSession::show_open_failure(const SerialPort::OpenResult& opened) {
    std::string message = cannot_open_text(opened);
    if (opened.permission_denied) {
        message +=
            "\n\nYou must be a member of the group that owns the device (usually dialout), "
            "for example: sudo usermod -aG dialout $USER, then log out and in again.";
    }
    dialogs_.tell(message);
}

bool PortSession::open_at_start() {
    const SerialPort::OpenResult opened = link_.open_port();
    if (!opened.ok) show_open_failure(opened);
    return opened.ok;
}

void PortSession::choose_port() {
    SerialPortPicker* picker = dialogs_.port_picker();
    if (picker == nullptr) return;
    // A download would be cut off in the middle; Cancel Download ends it first.
    if (link_.downloading()) {
        status_.show_failure(std::string(texts::kBusy));
        return;
    }
    const std::optional<std::string> chosen =
        dialogs_.choose_port(picker->ports(), link_.device_path());
    if (!chosen || chosen->empty()) return;
    if (link_.downloading()) {
        status_.show_failure(std::string(texts::kBusy));
        return;
    }
    if (!before_switch_) {
        switch_port(*chosen);
        return;
    }
    before_switch_([this, typed = *chosen] { switch_port(typed); });
}

// Closes the port and opens `typed` with the same settings. The program on the board and the
// grid stay as they are: on the same board, reads go on where they stopped.
void PortSession::switch_port(std::string_view typed) {
    const SerialDevice device = resolve_serial_device(typed);
    const SerialPort::OpenResult opened = link_.switch_port(device.path, device.shown());
    if (!opened.ok) {
        // As after an unplug: no port until one is chosen again, and every read says why.
        port_error_ = cannot_open_text(opened);
        report_port_closed();
        show_open_failure(opened);
        return;
    }
    port_error_.clear();
    if (SerialPortPicker* picker = dialogs_.port_picker()) picker->remember(device.typed);
    status_.set_program_status(status_.program_status());
}

void PortSession::port_changed(const BoardLink::PortEvent& event) {
    if (event.switched) return;
    port_error_ = event.error;
    if (auto reason = std::exchange(loss_reason_, nullptr)) {
        reason(port_error_);
    } else if (!event.was_downloading) {
        // A download reports the failure as its own end.
        report_port_closed();
    }
}

bool PortSession::line_available() {
    if (link_.closed()) return false;
    if (link_.downloading()) {
        status_.show_failure(std::string(texts::kBusy));
        return false;
    }
    if (!link_.port_open()) {
        report_port_closed();
        return false;
    }
    return true;
}

void PortSession::report_port_closed() {
    status_.show_failure(std::string(texts::kStatusPrefix) +
                         (port_error_.empty() ? std::string(texts::kPortClosed) : port_error_));
}

void PortSession::expect_loss_reason(std::function<void(const std::string& error)> reason) {
    loss_reason_ = std::move(reason);
}

}  // namespace halvane
