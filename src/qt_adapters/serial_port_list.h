#pragma once

#include <string_view>
#include <vector>

#include "platform/serial_port_picker.h"

namespace halvane::qt {

// The serial ports this system knows, in device order, each with what the system says it is:
// for a USB adapter its model, maker and serial number, and its latency timer where the driver
// shows one. `halvane --list-ports` prints them, File > Serial Port lists them.
std::vector<SerialPortListing> available_serial_ports();

// Prints them on standard output, one a line: the device, then a tab and what it is where the
// system can tell. With none, standard error says so, after `program` and a colon.
void print_serial_ports(std::string_view program);

}  // namespace halvane::qt
