#pragma once

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/serial_port.h"
#include "platform/serial_port_picker.h"
#include "platform/symbol_picker.h"

namespace halvane {

// The modal dialogs the system shows.
struct DialogBoxes {
    MessageBox& message_box;
    InputBox& input_box;
    FileDialog& file_dialog;
    // File > Import Symbols' list; the command does nothing where it is missing.
    SymbolPicker* symbol_picker = nullptr;
    // File > Serial Port's list; the command does nothing where it is missing.
    SerialPortPicker* port_picker = nullptr;
};

// What a session with the board needs of the system: time, the serial port and the modal
// dialogs.
struct Platform {
    Clock& clock;
    SerialPort& serial_port;
    DialogBoxes boxes;
};

}  // namespace halvane
