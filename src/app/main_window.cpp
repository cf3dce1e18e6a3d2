#include "app/main_window.h"

#include <utility>

#include "varmap/map_format.h"

namespace halvane {

namespace {
constexpr int kColumnWidthsTwips[GridView::kCols] = {900, 1900, 900, 400, 900};
}  // namespace

Tamrin::Tamrin(Platform platform, std::string initial_directory)
    : p_(platform), initial_directory_(std::move(initial_directory)) {}

bool Tamrin::Form_Load() {
    p_.timer1.set_interval_ms(1);
    p_.timer1.set_enabled(true);

    const SerialPort::OpenResult opened = p_.mscomm1.open();
    if (!opened.ok) {
        std::string message =
            "Cannot open the serial port " + p_.mscomm1.device_name() + ": " + opened.error_text;
        if (opened.permission_denied) {
            message +=
                "\n\nYou must be a member of the group that owns the device (usually dialout), "
                "for example: sudo usermod -aG dialout $USER, then log out and in again.";
        }
        p_.message_box.show(message);
        closing_ = true;
        return false;
    }

    p_.status.set_text(texts::kAwaitingProgramFile);
    flag_ = 0;
    for (int col = 0; col < GridView::kCols; ++col)
        p_.grid.set_col_width_twips(col, kColumnWidthsTwips[col]);
    for (int col = 0; col < GridView::kCols; ++col) p_.grid.set_text(0, col, kMapHeadings[col]);
    p_.viewer.set_font_face(texts::kViewerFace);
    return true;
}

void Tamrin::Form_Unload() {
    // Every wait checks `closing_` and returns at once; the command it belonged to then
    // ends without touching the port or the controls.
    closing_ = true;
    p_.mscomm1.close();
    channel1_.close();
}

void Tamrin::serial_failed(std::string_view error_text) {
    if (closing_) return;
    port_error_ = std::string(error_text);
    p_.mscomm1.close();
    set_status(std::string(texts::kStatusPrefix) + port_error_);
}

void Tamrin::set_status(std::string_view text) {
    if (!closing_) p_.status.set_text(text);
}

bool Tamrin::may_start_exchange() {
    if (closing_) return false;
    if (busy_) {
        set_status(texts::kBusy);
        return false;
    }
    return true;
}

void Tamrin::report_port_closed() {
    set_status(std::string(texts::kStatusPrefix) +
               (port_error_.empty() ? std::string("The serial port is closed") : port_error_));
}

}  // namespace halvane
