#include "grid/cell_commands.h"

#include <memory>

#include "grid/get_all.h"
#include "grid/grid_rules.h"
#include "status/status_texts.h"
#include "text/hex_digits.h"

namespace halvane {

bool finish_row(const RowResult& result, WatchTable& table, PortSession& port, StatusLine& status,
                double seconds) {
    const RowRequest& request = result.request;
    switch (result.outcome) {
        case RowResult::Outcome::kOk:
            table.note_reading(request.row, request.variable, result.replies, seconds);
            status.exchange_succeeded();
            return true;
        case RowResult::Outcome::kTimedOut:
            table.note_failure(request.row, request.variable, seconds);
            return true;
        case RowResult::Outcome::kPortFailed:
            port.report_port_closed();
            return false;
        case RowResult::Outcome::kCancelled:
            break;
    }
    return false;
}

CellCommands::CellCommands(WatchTable& table, BoardLink& link, PortSession& port,
                           StatusLine& status, ModalDialogs& dialogs, Clock& clock)
    : table_(table), link_(link), port_(port), status_(status), dialogs_(dialogs), clock_(clock) {}

double CellCommands::seconds() const {
    return static_cast<double>(clock_.now_ns()) / 1e9;
}

// The grid has no editor of its own: every key edits the end of the current cell.
void CellCommands::type_key(int code) {
    const int row = table_.row();
    const int col = table_.col();
    table_.set_text(row, col, edit_cell_text(table_.text(row, col), code));
}

// Exchanges with the board are queued before Get All's and the sweep's rows, and their results
// land in the row that was double-clicked, whatever row is current by then.
void CellCommands::read_or_write_cell() {
    const int row = table_.row();
    const int col = table_.col();
    link_.received().clear();

    if (col != kAddressCol && col != kHexValueCol) {
        if (table_.decimal(row))
            table_.set_text(row, kDecValueCol, decimal_value(table_.text(row, kHexValueCol)));
        return;
    }
    const std::optional<std::uint16_t> address = table_.address(row);
    if (!address) {
        status_.show_failure(std::string(texts::kInvalidAddressInRow) + std::to_string(row));
        return;
    }
    if (!port_.line_available()) return;

    RowRequest request{row, table_.variable(row), *address, table_.word(row), std::nullopt, false};
    if (col == kHexValueCol) {
        const std::optional<std::string> typed = dialogs_.ask_text(texts::kNewValuePrompt, "");
        if (!typed) return;
        const std::string answer = to_upper_ascii(*typed);
        if (!is_valid_answer(answer, request.word)) {
            status_.show_failure(std::string(texts::kInvalidValueForRow) + std::to_string(row));
            return;
        }
        // The box was modal, but the line may have changed meanwhile.
        if (!port_.line_available()) return;
        request.answer = answer;
    }
    link_.queue_user_job(
        std::make_unique<RowOperation>(request, [this](const RowResult& r) { row_done(r); }));
}

void CellCommands::row_done(const RowResult& result) {
    const int row = result.request.row;
    if (!finish_row(result, table_, port_, status_, seconds())) return;
    if (result.outcome == RowResult::Outcome::kTimedOut) {
        status_.show_failure(std::string(texts::kNoReplyAt) + hex_text(result.failed_address, 4) +
                             (result.check_failed ? std::string(texts::kReplyFailedCheck) : ""));
    }
    // After a write the Address of the row is current again, ready for the next read.
    if (result.request.answer && table_.row() == row) table_.set_col(kAddressCol);
}

void CellCommands::get_all() {
    if (getting_all()) return;
    if (link_.downloading()) {
        status_.show_failure(std::string(texts::kBusy));
        return;
    }
    link_.start_source(BoardLink::Source::kGetAll,
                       std::make_unique<GetAllRows>(
                           table_, [this](const RowResult& r) { row_done(r); },
                           [this](int first_invalid_row, bool completed) {
                               get_all_finished(first_invalid_row, completed);
                           }));
}

void CellCommands::get_all_finished(int first_invalid_row, bool completed) {
    if (!completed) return;
    table_.set_row(WatchTable::kRows - 1);
    table_.set_col(kAddressCol);
    if (first_invalid_row > 0) {
        status_.show_failure(std::string(texts::kInvalidAddressInRow) +
                             std::to_string(first_invalid_row));
    }
}

}  // namespace halvane
