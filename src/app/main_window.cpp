#include "app/main_window.h"

#include <utility>

#include "varmap/map_format.h"

namespace halvane {

namespace {
constexpr int kColumnWidthsTwips[GridView::kCols] = {900, 1900, 900, 400, 900};
}  // namespace

Tamrin::Tamrin(Platform platform, std::string initial_directory)
    : p_(platform),
      initial_directory_(std::move(initial_directory)),
      status_(p_.status, p_.clock),
      link_(p_.mscomm1, p_.clock, p_.text1) {}

Tamrin::~Tamrin() {
    if (!closing_) Form_Unload();
}

std::string Tamrin::cannot_open_text(const SerialPort::OpenResult& opened) const {
    return "Cannot open the serial port " + p_.mscomm1.device_name() + ": " + opened.error_text;
}

void Tamrin::show_open_failure(const SerialPort::OpenResult& opened) {
    std::string message = cannot_open_text(opened);
    if (opened.permission_denied) {
        message +=
            "\n\nYou must be a member of the group that owns the device (usually dialout), "
            "for example: sudo usermod -aG dialout $USER, then log out and in again.";
    }
    p_.message_box.show(message);
}

bool Tamrin::Form_Load() {
    const SerialPort::OpenResult opened = p_.mscomm1.open();
    if (!opened.ok) {
        show_open_failure(opened);
        closing_ = true;
        link_.cancel_all();
        return false;
    }

    status_.set_program_status(std::string(texts::kAwaitingProgramFile));
    flag_ = 0;
    link_.set_gate(false);
    for (int col = 0; col < GridView::kCols; ++col)
        p_.grid.set_col_width_twips(col, kColumnWidthsTwips[col]);
    for (int col = 0; col < GridView::kCols; ++col) p_.grid.set_text(0, col, kMapHeadings[col]);
    p_.viewer.set_font_face(texts::kViewerFace);
    return true;
}

void Tamrin::Form_Unload() {
    closing_ = true;
    link_.cancel_all();
    p_.mscomm1.close();
    stop_recording();
    if (watch_ticker_) watch_ticker_->disarm();
}

void Tamrin::MSComm1_OnComm() {
    if (!closing_) link_.input_waiting();
}

void Tamrin::serial_failed(std::string_view error_text) {
    if (closing_) return;
    port_error_ = std::string(error_text);
    p_.mscomm1.close();
    const bool was_downloading = link_.downloading();
    link_.port_failed(port_error_);
    stop_recording();
    update_sweep();
    // A download reports the failure as its own end; anything else shows it here.
    if (std::exchange(download_failed_on_port_, false)) {
        status_.set_program_status(std::string(texts::kDownloadFailed) + port_error_);
    } else if (!was_downloading) {
        report_port_closed();
    }
}

// False, with the reason shown, when no exchange with the board may start now.
bool Tamrin::may_use_line() {
    if (closing_) return false;
    if (link_.downloading()) {
        status_.show_failure(std::string(texts::kBusy));
        return false;
    }
    if (!p_.mscomm1.is_open()) {
        report_port_closed();
        return false;
    }
    return true;
}

void Tamrin::report_port_closed() {
    status_.show_failure(
        std::string(texts::kStatusPrefix) +
        (port_error_.empty() ? std::string("The serial port is closed") : port_error_));
}

}  // namespace halvane
