#include "download/program_download.h"

#include <cstdint>
#include <memory>

#include "download/program_check.h"
#include "status/status_texts.h"
#include "text/whole_file.h"

namespace halvane {

namespace {
// No program for the board comes near this size; a larger file is sent unchecked.
constexpr std::uintmax_t kCheckedFileMax = 16 * 1024 * 1024;
// What the progress bar's maximum becomes once a program runs: the bar looks empty.
constexpr float kIdleProgressMaximum = 500000;
}  // namespace

ProgramDownload::ProgramDownload(SessionParts parts) : parts_(parts) {}

void ProgramDownload::open_program() {
    if (parts_.link.downloading()) {
        parts_.status.show_failure(std::string(texts::kBusy));
        return;
    }
    parts_.status.set_program_status(std::string(texts::kAwaitingProgram));
    set_progress(0, progress_maximum_);
    parts_.link.set_gate(false);
    // The old program is no longer listened to; a row in flight still finishes.
    parts_.link.drop_memory_jobs();
    line_changed.notify();

    program_path_ = parts_.dialogs.choose_file_to_open("68HC11 program files (*.s19)|*.s19", "s19")
                        .value_or(std::string());
    if (program_path_.empty()) return;
    if (!program_file_accepted()) {
        // As if the dialog had been cancelled: no program chosen, nothing sent.
        program_path_.clear();
        return;
    }
    if (!parts_.dialogs.tell(texts::kResetBoard)) return;
    parts_.status.set_program_status(std::string(texts::kSendingFile));
    send_program();
}

// The monitor loads no record it rejects and the board keeps no byte where it has no RAM, so
// such a program would run incomplete: the user decides whether it goes anyway. What is sent does
// not change. A file that cannot be read is not asked about; the download says why it failed.
bool ProgramDownload::program_file_accepted() {
    const WholeFile file = read_whole_file(program_path_, kCheckedFileMax);
    if (file.status != WholeFile::Status::kRead) return true;
    const ProgramFileCheck check = check_program_file(file.bytes);
    for (const auto& question : {bad_records_question(check), no_ram_question(check)}) {
        if (question && !parts_.dialogs.ask_yes_no(*question)) return false;
    }
    return true;
}

void ProgramDownload::send_program() {
    std::vector<std::string> before_go;
    if (commands_before_go_ && program_path_.size() > 4)
        before_go = commands_before_go_(program_path_.substr(0, program_path_.size() - 4));
    parts_.link.queue_download(std::make_unique<DownloadJob>(
        program_path_, [this](float value, float maximum) { set_progress(value, maximum); },
        [this](const DownloadOutcome& outcome) { finished(outcome); }, std::move(before_go)));
    running_changed.notify(true);
}

void ProgramDownload::cancel() {
    if (parts_.link.downloading()) parts_.link.cancel_download();
}

void ProgramDownload::finished(const DownloadOutcome& outcome) {
    running_changed.notify(false);
    // Whatever the grid's rows read from now on comes from another program. (No row was read
    // while the download had the line.)
    parts_.table.renew_variables();
    switch (outcome.kind) {
        case DownloadOutcome::Kind::kCancelled:
            parts_.status.set_program_status(std::string(texts::kDownloadCancelled));
            line_changed.notify();
            return;
        case DownloadOutcome::Kind::kFailed:
            show_failure(parts_.port.port_error().empty() ? outcome.failure
                                                          : parts_.port.port_error());
            // A port that refused the data is about to say why; that reason replaces this one.
            if (outcome.port_refused && parts_.port.port_error().empty()) {
                parts_.port.expect_loss_reason([this](const std::string& error) {
                    parts_.status.set_program_status(std::string(texts::kDownloadFailed) + error);
                });
            }
            line_changed.notify();
            return;
        case DownloadOutcome::Kind::kStarted:
            break;
    }

    // The go command has been sent: from now on the program's output is collected.
    parts_.link.set_gate(true);
    if (outcome.board_error) {
        show_failure(std::string(texts::kBoardReported) + *outcome.board_error);
    } else if (!outcome.confirmed) {
        parts_.status.set_program_status(std::string(texts::kNotConfirmed));
    } else if (!outcome.held_s_records) {
        parts_.status.set_program_status(std::string(texts::kNoRecords));
    } else {
        parts_.status.set_program_status(std::string(texts::kProgramRunning));
    }
    set_progress(progress_value_, kIdleProgressMaximum);
    program_started.notify(program_path_.size() > 4
                               ? program_path_.substr(0, program_path_.size() - 4)
                               : std::string());
    line_changed.notify();
}

// The reason stands in the status line and whole in a message box.
void ProgramDownload::show_failure(const std::string& reason) {
    parts_.status.set_program_status(std::string(texts::kDownloadFailed) + reason);
    parts_.dialogs.tell_later("The download failed: " + reason);
}

void ProgramDownload::set_progress(float value, float maximum) {
    progress_value_ = value;
    progress_maximum_ = maximum;
    progress_changed.notify();
}

}  // namespace halvane
