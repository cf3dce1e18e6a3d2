#pragma once

#include <functional>
#include <string>

#include "download/download_job.h"
#include "grid/watch_table.h"
#include "link/board_link.h"
#include "link/port_session.h"
#include "platform/modal_dialogs.h"
#include "status/status_line.h"

namespace halvane {

// File > Open and File > Cancel Download: choose a program, have the board reset, download
// and start it. Once it runs, `on_program_started` shows its companions and fills the grid
// from its map.
class ProgramDownload {
  public:
    ProgramDownload(BoardLink& link, PortSession& port, StatusLine& status, ModalDialogs& dialogs,
                    WatchTable& table);

    void open_program();
    void cancel();
    bool running() const { return link_.downloading(); }

    // The program chosen last: its whole path while it is chosen and sent, then, once it runs,
    // the path without its last four characters, to which the companions' extensions are added.
    // Empty before any program and after a cancelled choice.
    const std::string& program_name() const { return program_name_; }

    // How far the download has come (a fraction `value` of `maximum`).
    float progress_value() const { return progress_value_; }
    float progress_maximum() const { return progress_maximum_; }

    // Told when a download starts and ends (the menu offers Cancel Download only meanwhile).
    std::function<void(bool running)> on_running;
    std::function<void()> on_progress;
    // The program runs: its name is its base path now.
    std::function<void()> on_program_started;
    // Whether a program may be listened to changed: File > Open began, or a download ended.
    std::function<void()> on_line_changed;

  private:
    friend class ProgramDownloadProbe;  // tests set the program's name through it

    // Asks about what the program file check found; false when the user said No.
    bool program_file_accepted();
    void send_program();
    void finished(const DownloadOutcome& outcome);
    void show_failure(const std::string& reason);
    void set_progress(float value, float maximum);
    void line_changed();

    BoardLink& link_;
    PortSession& port_;
    StatusLine& status_;
    ModalDialogs& dialogs_;
    WatchTable& table_;
    std::string program_name_;
    float progress_value_ = 0;
    float progress_maximum_ = 100;
};

}  // namespace halvane
