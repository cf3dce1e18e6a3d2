#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "download/download_job.h"
#include "grid/session_parts.h"
#include "notify/signal.h"

namespace halvane {

// File > Open and File > Cancel Download: choose a program, have the board reset, download
// and start it. Once it runs, `program_started` tells its base name to whoever shows its
// companions and fills the grid from its map.
class ProgramDownload {
  public:
    explicit ProgramDownload(SessionParts parts);

    void open_program();
    void cancel();
    bool running() const { return parts_.link.downloading(); }

    // The program file chosen last, as it is checked and sent. Empty before any program and
    // after a cancelled choice.
    const std::string& program_path() const { return program_path_; }

    // How far the download has come (a fraction `value` of `maximum`).
    float progress_value() const { return progress_value_; }
    float progress_maximum() const { return progress_maximum_; }

    // Asked when a download is about to be queued, with the program's base name: the monitor
    // commands typed after the load and before the program starts (the breakpoint table).
    using CommandsBeforeGo = std::function<std::vector<std::string>(const std::string& base_name)>;
    void set_commands_before_go(CommandsBeforeGo commands) {
        commands_before_go_ = std::move(commands);
    }

    // Told when a download starts and ends (the menu offers Cancel Download only meanwhile).
    Signal<bool> running_changed;
    Signal<> progress_changed;
    // The program runs. Its base name: its path without the last four characters (".s19"),
    // to which its companions' extensions are added.
    Signal<const std::string&> program_started;
    // Whether a program may be listened to changed: File > Open began, or a download ended.
    Signal<> line_changed;

  private:
    // Asks about what the program file check found; false when the user said No.
    bool program_file_accepted();
    void send_program();
    void finished(const DownloadOutcome& outcome);
    void show_failure(const std::string& reason);
    void set_progress(float value, float maximum);

    SessionParts parts_;
    CommandsBeforeGo commands_before_go_;
    std::string program_path_;
    float progress_value_ = 0;
    float progress_maximum_ = 100;
};

}  // namespace halvane
