#include "app/main_window.h"
#include "app/serial_device.h"

namespace halvane {

void Tamrin::file_serialport_Click() {
    if (closing_ || p_.port_picker == nullptr) return;
    // A download would be cut off in the middle; Cancel Download ends it first.
    if (link_.downloading()) {
        status_.show_failure(std::string(texts::kBusy));
        return;
    }
    const std::vector<SerialPortListing> ports = p_.port_picker->ports();
    const std::optional<std::string> chosen =
        p_.port_picker->choose(ports, p_.mscomm1.device_path());
    if (closing_ || !chosen || chosen->empty()) return;
    if (link_.downloading()) {
        status_.show_failure(std::string(texts::kBusy));
        return;
    }
    switch_port(*chosen);
}

// Closes the port and opens `typed` with the same settings. The program on the board and the
// grid stay as they are: on the same board, reads go on where they stopped.
void Tamrin::switch_port(std::string_view typed) {
    const SerialDevice device = resolve_serial_device(typed);
    // Nothing of a job on the old device may go to the new one.
    link_.port_replaced();
    p_.mscomm1.close();
    p_.mscomm1.set_device(device.path, device.shown());
    const SerialPort::OpenResult opened = p_.mscomm1.open();
    if (!opened.ok) {
        // As after an unplug: no port until one is chosen again, and every read says why.
        port_error_ = cannot_open_text(opened);
        report_port_closed();
        update_sweep();
        show_open_failure(opened);
        return;
    }
    port_error_.clear();
    p_.port_picker->remember(device.typed);
    status_.set_program_status(status_.program_status());
    // Live Refresh goes on through the new port.
    update_sweep();
}

}  // namespace halvane
