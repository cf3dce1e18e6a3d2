#include <cstdint>
#include <memory>

#include "app/main_window.h"
#include "download/download_job.h"
#include "download/program_check.h"
#include "symbols/moved_rows_status.h"
#include "varmap/map_file.h"
#include "viewer/whole_file.h"

namespace halvane {

namespace {
// No program for the board comes near this size; a larger file is sent unchecked.
constexpr std::uintmax_t kCheckedFileMax = 16 * 1024 * 1024;
}  // namespace

// File > Open: choose a program, have the board reset, download and start it, then show
// its listing and fill the grid from its variable map.
void Tamrin::file_open_Click() {
    if (closing_) return;
    if (link_.downloading()) {
        status_.show_failure(std::string(texts::kBusy));
        return;
    }
    status_.set_program_status(std::string(texts::kAwaitingProgram));
    p_.progress.set_value(0);
    flag_ = 0;
    link_.set_gate(false);
    // The old program is no longer listened to; a row in flight still finishes.
    link_.drop_memory_jobs();
    update_sweep();

    FileDialogSettings settings;
    settings.filter = "68HC11 program files (*.s19)|*.s19";
    settings.default_extension = "s19";
    settings.initial_directory = initial_directory_;
    s19_file_name_ = p_.dialog.show_open(settings);
    if (closing_ || s19_file_name_.empty()) return;
    if (!program_file_accepted()) {
        // As if the dialog had been cancelled: no program chosen, nothing sent.
        s19_file_name_.clear();
        return;
    }

    p_.message_box.show(texts::kResetBoard);
    if (closing_) return;
    status_.set_program_status(std::string(texts::kSendingFile));
    send_s19();
}

// The monitor loads no record it rejects and the board keeps no byte where it has no RAM, so
// such a program would run incomplete: the user decides whether it goes anyway. What is sent does
// not change. A file that cannot be read is not asked about; the download says why it failed.
bool Tamrin::program_file_accepted() {
    const WholeFile file = read_whole_file(s19_file_name_, kCheckedFileMax);
    if (file.status != WholeFile::Status::kRead) return true;
    const ProgramFileCheck check = check_program_file(file.bytes);
    for (const auto& question : {bad_records_question(check), no_ram_question(check)}) {
        if (!question) continue;
        if (!p_.message_box.ask_yes_no(*question) || closing_) return false;
    }
    return true;
}

void Tamrin::send_s19() {
    link_.queue_download(std::make_unique<DownloadJob>(
        s19_file_name_, p_.progress,
        [this](const DownloadOutcome& outcome) { download_finished(outcome); }));
    if (on_download_running) on_download_running(true);
}

void Tamrin::file_cancel_download_Click() {
    if (!closing_ && link_.downloading()) link_.cancel_download();
}

void Tamrin::download_finished(const DownloadOutcome& outcome) {
    if (on_download_running) on_download_running(false);
    if (closing_) return;
    switch (outcome.kind) {
        case DownloadOutcome::Kind::kCancelled:
            status_.set_program_status(std::string(texts::kDownloadCancelled));
            update_sweep();
            return;
        case DownloadOutcome::Kind::kFailed:
            // A port that refused the data is about to say why; that reason replaces this one.
            download_failed_on_port_ = outcome.port_refused && port_error_.empty();
            show_download_failure(port_error_.empty() ? outcome.failure : port_error_);
            update_sweep();
            return;
        case DownloadOutcome::Kind::kStarted:
            break;
    }

    // The go command has been sent: from now on the program's output is collected.
    flag_ = 1;
    link_.set_gate(true);
    if (outcome.board_error) {
        show_download_failure(std::string(texts::kBoardReported) + *outcome.board_error);
    } else if (!outcome.confirmed) {
        status_.set_program_status(std::string(texts::kNotConfirmed));
    } else if (!outcome.held_s_records) {
        status_.set_program_status(std::string(texts::kNoRecords));
    } else {
        status_.set_program_status(std::string(texts::kProgramRunning));
    }
    p_.progress.set_maximum(500000);
    s19_file_name_ =
        s19_file_name_.size() > 4 ? s19_file_name_.substr(0, s19_file_name_.size() - 4) : "";

    // The listing and the map are independent: a program without a listing still gets its map.
    if (load_companion(s19_file_name_ + ".lst")) p_.options.select(1);
    load_map_file(s19_file_name_ + ".csv", p_.grid);
    // A rebuild may have moved variables the map still names by their old addresses.
    if (auto moved =
            status_after_map_load(status_.program_status(), s19_file_name_ + ".elf", p_.grid))
        status_.set_program_status(*moved);
    // Live Refresh, if it is on, starts reading the new program.
    update_sweep();
}

// The reason stands in the status line (cut to its width there) and whole in a message box.
void Tamrin::show_download_failure(const std::string& reason) {
    status_.set_program_status(std::string(texts::kDownloadFailed) + reason);
    p_.message_box.show("The download failed: " + reason);
}

}  // namespace halvane
