#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/status_line.h"
#include "link/board_link.h"
#include "platform/platform.h"
#include "watch/link_health.h"
#include "watch/sweep_recorder.h"
#include "watch/watched_rows.h"

namespace halvane {

struct DownloadOutcome;
struct RowRequest;
struct RowResult;

// Texts the window shows, exactly as users see them.
namespace texts {
inline constexpr std::string_view kCaption = "CME11E9 Halvane";
inline constexpr std::string_view kAwaitingProgramFile = "Status: Awaiting Program File";
inline constexpr std::string_view kAwaitingProgram = "Status: Awaiting Program";
inline constexpr std::string_view kSendingFile = "Status: Sending File File";
inline constexpr std::string_view kProgramRunning = "Status: Program Running";
inline constexpr std::string_view kNotConfirmed =
    "Status: Program Running (the board did not confirm the load)";
inline constexpr std::string_view kNoRecords =
    "Status: Program Running (warning: the file held no S1 or S9 record)";
inline constexpr std::string_view kDownloadFailed = "Status: Download failed: ";
inline constexpr std::string_view kBoardReported = "the board reported: ";
inline constexpr std::string_view kDownloadCancelled =
    "Status: Download cancelled: press Reset on the board before the next download";
inline constexpr std::string_view kBusy = "Status: Busy, wait for the board";
inline constexpr std::string_view kStatusPrefix = "Status: ";
inline constexpr std::string_view kResetBoard = "Turn on the CME11E9 and Press Reset";
inline constexpr std::string_view kNewValuePrompt = "New Value";
inline constexpr std::string_view kViewerFace = "Times New Roman (Western)";
}  // namespace texts

// The one window `Tamrin`: its state, its event handlers and its private procedures.
// The handlers keep the names of the controls and events they answer.
//
// All work runs on the UI thread and no handler waits: exchanges with the board are jobs of
// the board link, which runs them as time passes and characters arrive, and reports each
// result back here. Only the modal dialogs (file dialogs, message and input boxes) hold a
// handler up, and the link goes on working while one is open.
class Tamrin {
  public:
    // `initial_directory` is the folder where the three file dialogs start.
    Tamrin(Platform platform, std::string initial_directory);
    ~Tamrin();
    Tamrin(const Tamrin&) = delete;
    Tamrin& operator=(const Tamrin&) = delete;

    // Start-up. Returns false when the serial port could not be opened: the failure
    // has been shown to the user and the program must end with a non-zero status.
    bool Form_Load();
    // Shutdown: every job of the link ends, nothing more is sent, the port closes.
    void Form_Unload();

    // The serial port's communication notice: characters have arrived.
    void MSComm1_OnComm();
    // The serial layer reports a failure after start-up (device gone, I/O error).
    void serial_failed(std::string_view error_text);

    void DataGrid_DblClick();
    // `key_ascii`: the typed character as a Unicode code point (8 is backspace).
    void DataGrid_KeyPress(int key_ascii);
    void get_all_Click();

    void Option1_Click();
    void Option2_Click();
    void Option3_Click();

    void file_open_Click();
    void file_cancel_download_Click();
    void file_openoverlay_Click();
    void file_importsymbols_Click();
    void File_save_Click();
    // File > Serial Port: choose the port, or the same one again after an unplug.
    void file_serialport_Click();

    // The Watch menu. Live Refresh reads the named rows over and over while a program runs;
    // `interval_seconds` is from the start of one sweep to the start of the next (0: as fast as
    // the line allows).
    void watch_liverefresh_Click(bool on);
    void watch_refreshinterval_Click(double interval_seconds);
    void watch_recordtofile_Click();
    void watch_stoprecording_Click();

    int flag() const { return flag_; }
    const std::string& s19_file_name() const { return s19_file_name_; }
    bool closing() const { return closing_; }
    bool downloading() const { return link_.downloading(); }
    const BoardLink& link() const { return link_; }
    const StatusLine& status() const { return status_; }
    const std::string& initial_directory() const { return initial_directory_; }
    bool live_refresh() const { return live_refresh_; }
    bool sweeping() const { return link_.source_running(BoardLink::Source::kSweep); }
    bool recording() const { return recorder_ != nullptr; }
    // The seconds of the watch's clock (the plot's time and the recording's).
    double watch_seconds() const;
    // The Hex Value cell's tooltip of `row`: when it was last read, or that the read failed.
    std::string hex_value_tooltip(int row) const;

    // Told when a download starts and ends (the menu offers Cancel Download only meanwhile).
    std::function<void(bool running)> on_download_running;
    // Told when a recording starts and stops (the menu offers Stop Recording only meanwhile).
    std::function<void(bool recording)> on_recording;

  private:
    friend class TamrinProbe;  // tests set the program's name through it

    // Board link.
    bool may_use_line();
    void report_port_closed();
    void switch_port(std::string_view typed);
    std::string cannot_open_text(const SerialPort::OpenResult& opened) const;
    void show_open_failure(const SerialPort::OpenResult& opened);
    void queue_row(const RowRequest& request);
    void row_done(const RowResult& result);
    void show_read_value(int row, const std::string& value);
    void get_all_finished(int first_invalid_row, bool completed);

    // Live watch.
    void note_read(const RowResult& result);
    void update_sweep();
    void sweep_row_done(const RowResult& result);
    void sweep_completed();
    void watch_tick();
    void update_watch_ticker();
    void stop_recording();

    // Download.
    // Asks about what the program file check found; false when the user said No.
    bool program_file_accepted();
    void send_s19();
    void download_finished(const DownloadOutcome& outcome);
    void show_download_failure(const std::string& reason);

    // Companion files.
    bool load_companion(const std::string& path);
    void select_companion(int option, std::string_view extension);

    Platform p_;
    std::string initial_directory_;
    StatusLine status_;
    BoardLink link_;

    std::int16_t flag_ = 0;
    std::string s19_file_name_;
    bool closing_ = false;
    // What the serial layer said when the port was lost.
    std::string port_error_;
    // The last download ended because the port refused its data, before the port's failure
    // was reported.
    bool download_failed_on_port_ = false;

    // Live watch.
    WatchedRows watched_;
    bool live_refresh_ = false;
    std::int64_t sweep_interval_ns_ = 0;
    RecentSweeps recent_sweeps_;
    long long sweep_timeouts_ = 0;
    // What the sweep under way has read of each row.
    std::map<int, std::optional<RowReading>> sweep_readings_;
    std::unique_ptr<SweepRecorder> recorder_;
    std::vector<int> recorded_rows_;
    // Twice a second while the sweep or a recording runs: the live figures and the flush.
    std::unique_ptr<Alarm> watch_ticker_;
};

}  // namespace halvane
