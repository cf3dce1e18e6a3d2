#pragma once

#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/grid_view.h"
#include "platform/serial_port.h"
#include "platform/serial_port_picker.h"
#include "platform/symbol_picker.h"
#include "platform/viewer.h"
#include "platform/watch_view.h"

namespace halvane {

// Everything the window's logic needs of the window runtime, one reference each.
struct Platform {
    Clock& clock;
    SerialPort& mscomm1;
    GridView& grid;
    TextView& text1;
    TextView& status;
    ProgressBar& progress;
    OptionGroup& options;
    MessageBox& message_box;
    InputBox& input_box;
    FileDialog& dialog;
    Viewer& viewer;
    // File > Import Symbols' list; the command does nothing where it is missing.
    SymbolPicker* symbol_picker = nullptr;
    // The live watch's marks and plot; nothing is shown where it is missing.
    WatchView* watch_view = nullptr;
    // File > Serial Port's list; the command does nothing where it is missing.
    SerialPortPicker* port_picker = nullptr;
};

}  // namespace halvane
