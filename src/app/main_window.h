#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace halvane {

// Texts the window shows, exactly as users see them.
namespace texts {
inline constexpr std::string_view kCaption = "CME11E9 Halvane";
inline constexpr std::string_view kAwaitingProgramFile = "Status: Awaiting Program File";
inline constexpr std::string_view kAwaitingProgram = "Status: Awaiting Program";
inline constexpr std::string_view kSendingFile = "Status: Sending File File";
inline constexpr std::string_view kProgramRunning = "Status: Program Running";
inline constexpr std::string_view kBusy = "Status: Busy, wait for the board";
inline constexpr std::string_view kStatusPrefix = "Status: ";
inline constexpr std::string_view kResetBoard = "Turn on the CME11E9 and Press Reset";
inline constexpr std::string_view kNewValuePrompt = "New Value";
inline constexpr std::string_view kViewerFace = "Times New Roman (Western)";
}  // namespace texts

// The one window `Tamrin`: its state, its event handlers and its private procedures.
// The handlers keep the names of the controls and events they answer.
//
// All work runs on the UI thread. The waiting procedures (`delay`, the reply wait of
// `read_mem`, the drain of the download) dispatch events while they wait, so handlers
// can run inside other handlers; closing the window makes every wait return at once
// and the interrupted command ends without touching the closed port.
class Tamrin {
  public:
    // At most this many characters of a download wait in the PC's queues, so the
    // progress bar follows what has really left the PC.
    static constexpr std::size_t kDownloadQueueLimit = 16;
    // Ticks without a complete reply, counted from the last request character,
    // after which a read gives up.
    static constexpr std::int64_t kReplyTimeoutTicks = 1000;
    // The receive buffer keeps only its newest characters.
    static constexpr std::size_t kReceiveBufferLimit = 64 * 1024;

    // `initial_directory` is the folder where the three file dialogs start.
    Tamrin(Platform platform, std::string initial_directory);

    // Start-up. Returns false when the serial port could not be opened: the failure
    // has been shown to the user and the program must end with a non-zero status.
    bool Form_Load();
    // Shutdown: closes the port and the file channel, ends every wait.
    void Form_Unload();

    void Timer1_Timer();
    void MSComm1_OnComm();
    // The serial layer reports a failure after start-up (device gone, I/O error).
    void serial_failed(std::string_view error_text);

    void DataGrid_DblClick();
    void DataGrid_KeyPress(int key_ascii);
    void get_all_Click();

    void Option1_Click();
    void Option2_Click();
    void Option3_Click();

    void file_open_Click();
    void file_openoverlay_Click();
    void file_importsymbols_Click();
    void File_save_Click();

    int flag() const { return flag_; }
    const std::string& s19_file_name() const { return s19_file_name_; }
    std::int64_t timer_count() const { return timer_count_; }
    bool closing() const { return closing_; }
    bool busy() const { return busy_; }
    const std::string& initial_directory() const { return initial_directory_; }

  private:
    friend class TamrinProbe;  // tests reach the private procedures through it

    enum class Wait { kDone, kAborted };
    // How one exchange with the board ended.
    enum class Exchange { kOk, kRefused, kTimedOut, kAborted, kPortFailed };

    // Board link.
    Wait delay(std::int64_t ticks);
    void get_input();
    bool send_char(std::string_view character);
    Exchange send_request(const std::vector<std::string>& characters);
    Exchange read_mem(std::string_view address, int row);
    Exchange write_mem(std::string_view value, std::string_view address);

    // Watch grid.
    Exchange cell_operation(int row, int col);
    void report_exchange_failure(Exchange outcome, std::string_view address);
    void set_status(std::string_view text);
    void report_port_closed();
    // False (and the busy status shown) while another exchange with the board is under
    // way, or once the window is closing.
    bool may_start_exchange();

    // Download.
    Exchange send_s19(std::string& failure);
    Exchange send_step(std::string_view text, std::int64_t pause_ticks, std::string& failure);
    Exchange wait_for_output_room(std::size_t allowed, std::string& failure);

    // Companion files and the variable map.
    bool load_companion(const std::string& path);
    void select_companion(int option, std::string_view extension);

    Platform p_;
    std::string initial_directory_;

    std::int16_t flag_ = 0;
    std::string s19_file_name_;
    // Wider than the original 16-bit counter, so idling for ever cannot overflow it.
    std::int64_t timer_count_ = 0;
    // Every tick handled since start-up; never restarted (reply time-outs).
    std::int64_t ticks_handled_ = 0;
    bool closing_ = false;
    bool busy_ = false;
    // Whether the last program file sent held an S1 or S9 record.
    bool sent_s_records_ = false;
    // What the serial layer said when the port was lost.
    std::string port_error_;
    // File channel 1.
    std::ifstream channel1_;
};

}  // namespace halvane
