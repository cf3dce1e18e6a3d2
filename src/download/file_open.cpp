#include "app/board_exchange_guard.h"
#include "app/main_window.h"
#include "symbols/moved_rows_status.h"
#include "varmap/map_file.h"

namespace halvane {

// File > Open: choose a program, have the board reset, download and start it, then show
// its listing and fill the grid from its variable map.
void Tamrin::file_open_Click() {
    if (!may_start_exchange()) return;
    set_status(texts::kAwaitingProgram);
    p_.progress.set_value(0);
    flag_ = 0;

    FileDialogSettings settings;
    settings.filter = "68HC11 program files (*.s19)|*.s19";
    settings.default_extension = "s19";
    settings.initial_directory = initial_directory_;
    s19_file_name_ = p_.dialog.show_open(settings);
    if (closing_ || s19_file_name_.empty()) return;

    p_.message_box.show(texts::kResetBoard);
    // Ticks and serial notices ran while the box was open; check again before the download.
    if (!may_start_exchange()) return;

    BoardExchangeGuard guard(busy_);
    set_status(texts::kSendingFile);
    std::string failure;
    const Exchange sent = send_s19(failure);
    if (sent == Exchange::kAborted) return;
    if (sent != Exchange::kOk) {
        set_status(std::string(texts::kStatusPrefix) + "Download failed: " + failure);
        return;
    }

    if (sent_s_records_) {
        set_status(texts::kProgramRunning);
    } else {
        set_status(std::string(texts::kProgramRunning) +
                   " (warning: the file held no S1 or S9 record)");
    }
    p_.progress.set_maximum(500000);
    s19_file_name_ =
        s19_file_name_.size() > 4 ? s19_file_name_.substr(0, s19_file_name_.size() - 4) : "";

    // The listing and the map are independent: a program without a listing still gets its map.
    if (load_companion(s19_file_name_ + ".lst")) p_.options.select(1);
    load_map_file(s19_file_name_ + ".csv", p_.grid);
    // A rebuild may have moved variables the map still names by their old addresses.
    if (auto moved = status_after_map_load(p_.status.text(), s19_file_name_ + ".elf", p_.grid))
        set_status(*moved);
}

}  // namespace halvane
