#include "app/main_window.h"

#include <utility>

#include "status/status_texts.h"

namespace halvane {

MainWindow::MainWindow(Platform platform, std::string initial_directory)
    : dialogs_(platform.clock,
               {platform.message_box, platform.input_box, platform.file_dialog,
                platform.symbol_picker, platform.port_picker},
               std::move(initial_directory)),
      status_(platform.clock),
      link_(platform.serial_port, platform.clock),
      port_(link_, status_, dialogs_),
      cells_(table_, link_, port_, status_, dialogs_, platform.clock),
      download_(link_, port_, status_, dialogs_, table_),
      viewer_(dialogs_, download_.program_name()),
      maps_(table_, dialogs_, download_.program_name()),
      symbols_(table_, status_, dialogs_, download_.program_name()),
      watch_(table_, link_, port_, status_, dialogs_, platform.clock) {
    download_.on_program_started = [this] { program_started(); };
    download_.on_line_changed = [this] { watch_.update(); };
}

MainWindow::~MainWindow() {
    close();
}

bool MainWindow::start() {
    if (!port_.open_at_start()) {
        close();
        return false;
    }
    status_.set_program_status(std::string(texts::kAwaitingProgramFile));
    link_.set_gate(false);
    return true;
}

void MainWindow::close() {
    dialogs_.window_closed();
    link_.close();
    watch_.close();
}

// The listing and the map are independent: a program without a listing still gets its map, and
// a rebuild may have moved variables the map still names by their old addresses.
void MainWindow::program_started() {
    const std::string& base = download_.program_name();
    viewer_.show_program_listing();
    symbols_.check_moved_rows(maps_.load_program_map(base + ".csv"), base + ".elf");
}

}  // namespace halvane
