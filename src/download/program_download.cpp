#include "download/program_download.h"

#include <cstdint>
#include <memory>

#include "download/program_check.h"
#include "status/status_texts.h"
#include "viewer/whole_file.h"

namespace halvane {

namespace {
// No program for the board comes near this size; a larger file is sent unchecked.
constexpr std::uintmax_t kCheckedFileMax = 16 * 1024 * 1024;
// What the progress bar's maximum becomes once a program runs: the bar looks empty.
constexpr float kIdleProgressMaximum = 500000;
}  // namespace

ProgramDownload::ProgramDownload(BoardLink& link, PortSession& port, StatusLine& status,
                                 ModalDialogs& dialogs, WatchTable& table)
    : link_(link), port_(port), status_(status), dialogs_(dialogs), table_(table) {}

void ProgramDownload::open_program() {
    if (link_.downloading()) {
        status_.show_failure(std::string(texts::kBusy));
        return;
    }
    status_.set_program_status(std::string(texts::kAwaitingProgram));
    set_progress(0, progress_maximum_);
    link_.set_gate(false);
    // The old program is no longer listened to; a row in flight still finishes.
    link_.drop_memory_jobs();
    line_changed();

    program_name_ = dialogs_.choose_file_to_open("68HC11 program files (*.s19)|*.s19", "s19")
                        .value_or(std::string());
    if (program_name_.empty()) return;
    if (!program_file_accepted()) {
        // As if the dialog had been cancelled: no program chosen, nothing sent.
        program_name_.clear();
        return;
    }
    if (!dialogs_.tell(texts::kResetBoard)) return;
    status_.set_program_status(std::string(texts::kSendingFile));
    send_program();
}

// The monitor loads no record it rejects and the board keeps no byte where it has no RAM, so
// such a program would run incomplete: the user decides whether it goes anyway. What is sent does
// not change. A file that cannot be read is not asked about; the download says why it failed.
bool ProgramDownload::program_file_accepted() {
    const WholeFile file = read_whole_file(program_name_, kCheckedFileMax);
    if (file.status != WholeFile::Status::kRead) return true;
    const ProgramFileCheck check = check_program_file(file.bytes);
    for (const auto& question : {bad_records_question(check), no_ram_question(check)}) {
        if (question && !dialogs_.ask_yes_no(*question)) return false;
    }
    return true;
}

void ProgramDownload::send_program() {
    link_.queue_download(std::make_unique<DownloadJob>(
        program_name_, [this](float value, float maximum) { set_progress(value, maximum); },
        [this](const DownloadOutcome& outcome) { finished(outcome); }));
    if (on_running) on_running(true);
}

void ProgramDownload::cancel() {
    if (link_.downloading()) link_.cancel_download();
}

void ProgramDownload::finished(const DownloadOutcome& outcome) {
    if (on_running) on_running(false);
    // Whatever the grid's rows read from now on comes from another program. (No row was read
    // while the download had the line.)
    table_.renew_variables();
    switch (outcome.kind) {
        case DownloadOutcome::Kind::kCancelled:
            status_.set_program_status(std::string(texts::kDownloadCancelled));
            line_changed();
            return;
        case DownloadOutcome::Kind::kFailed:
            show_failure(port_.port_error().empty() ? outcome.failure : port_.port_error());
            // A port that refused the data is about to say why; that reason replaces this one.
            if (outcome.port_refused && port_.port_error().empty()) {
                port_.expect_loss_reason([this](const std::string& error) {
                    status_.set_program_status(std::string(texts::kDownloadFailed) + error);
                });
            }
            line_changed();
            return;
        case DownloadOutcome::Kind::kStarted:
            break;
    }

    // The go command has been sent: from now on the program's output is collected.
    link_.set_gate(true);
    if (outcome.board_error) {
        show_failure(std::string(texts::kBoardReported) + *outcome.board_error);
    } else if (!outcome.confirmed) {
        status_.set_program_status(std::string(texts::kNotConfirmed));
    } else if (!outcome.held_s_records) {
        status_.set_program_status(std::string(texts::kNoRecords));
    } else {
        status_.set_program_status(std::string(texts::kProgramRunning));
    }
    set_progress(progress_value_, kIdleProgressMaximum);
    program_name_ =
        program_name_.size() > 4 ? program_name_.substr(0, program_name_.size() - 4) : "";
    if (on_program_started) on_program_started();
    line_changed();
}

// The reason stands in the status line and whole in a message box.
void ProgramDownload::show_failure(const std::string& reason) {
    status_.set_program_status(std::string(texts::kDownloadFailed) + reason);
    dialogs_.tell_later("The download failed: " + reason);
}

void ProgramDownload::set_progress(float value, float maximum) {
    progress_value_ = value;
    progress_maximum_ = maximum;
    if (on_progress) on_progress();
}

void ProgramDownload::line_changed() {
    if (on_line_changed) on_line_changed();
}

}  // namespace halvane
