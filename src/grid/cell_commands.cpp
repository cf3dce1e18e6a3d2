#include "grid/cell_commands.h"

#include <memory>

#include "grid/get_all.h"
#include "grid/grid_rules.h"
#include "grid/monitor_row_operation.h"
#include "grid/watch_table.h"
#include "status/status_texts.h"
#include "text/hex_digits.h"

namespace halvane {

bool finish_row(const RowResult& result, WatchTable& table, PortSession& port, StatusLine& status,
                double seconds) {
    const RowRequest& request = result.request;
    switch (result.outcome) {
        case RowResult::Outcome::kOk:
            table.note_reading(request.row, request.variable,
                               table.shown_replies(request.address, result.replies), seconds);
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

CellCommands::CellCommands(SessionParts parts) : parts_(parts) {}

double CellCommands::seconds() const {
    return static_cast<double>(parts_.clock.now_ns()) / 1e9;
}

// The grid has no editor of its own: every key edits the end of the current cell.
void CellCommands::type_key(int code) {
    const int row = parts_.table.row();
    const int col = parts_.table.col();
    parts_.table.set_text(row, col, edit_cell_text(parts_.table.text(row, col), code));
}

// Exchanges with the board are queued before Get All's and the sweep's rows, and their results
// land in the row that was double-clicked, whatever row is current by then.
void CellCommands::read_or_write_cell() {
    const int row = parts_.table.row();
    const int col = parts_.table.col();
    parts_.link.received().clear();

    if (col != kAddressCol && col != kHexValueCol) {
        if (parts_.table.decimal(row))
            parts_.table.set_text(row, kDecValueCol,
                                  decimal_value(parts_.table.text(row, kHexValueCol)));
        return;
    }
    const std::optional<std::uint16_t> address = parts_.table.address(row);
    if (!address) {
        parts_.status.show_failure(std::string(texts::kInvalidAddressInRow) + std::to_string(row));
        return;
    }
    if (!parts_.port.line_available()) return;

    RowRequest request{
        row, parts_.table.variable(row), *address, parts_.table.word(row), std::nullopt, false};
    if (col == kHexValueCol) {
        const std::optional<std::string> typed =
            parts_.dialogs.ask_text(texts::kNewValuePrompt, "");
        if (!typed) return;
        const std::string answer = to_upper_ascii(*typed);
        if (!is_valid_answer(answer, request.word)) {
            parts_.status.show_failure(std::string(texts::kInvalidValueForRow) +
                                       std::to_string(row));
            return;
        }
        // The box was modal, but the line may have changed meanwhile.
        if (!parts_.port.line_available()) return;
        request.answer = answer;
    }
    parts_.link.queue_user_job(
        make_cell_operation(request, [this](const RowResult& r) { row_done(r); }));
}

void CellCommands::row_done(const RowResult& result) {
    const int row = result.request.row;
    if (!finish_row(result, parts_.table, parts_.port, parts_.status, seconds())) return;
    if (result.outcome == RowResult::Outcome::kTimedOut) {
        parts_.status.show_failure(
            std::string(texts::kNoReplyAt) + hex_text(result.failed_address, 4) +
            (result.check_failed ? std::string(texts::kReplyFailedCheck) : ""));
    }
    // After a write the Address of the row is current again, ready for the next read.
    if (result.request.answer && parts_.table.row() == row) parts_.table.set_col(kAddressCol);
}

void CellCommands::get_all() {
    if (getting_all()) return;
    if (parts_.link.downloading()) {
        parts_.status.show_failure(std::string(texts::kBusy));
        return;
    }
    parts_.link.start_source(BoardLink::Source::kGetAll,
                             std::make_unique<GetAllRows>(
                                 parts_.table, [this](const RowResult& r) { row_done(r); },
                                 [this](int first_invalid_row, bool completed) {
                                     get_all_finished(first_invalid_row, completed);
                                 }));
}

void CellCommands::get_all_finished(int first_invalid_row, bool completed) {
    if (!completed) return;
    parts_.table.set_row(WatchTable::kRows - 1);
    parts_.table.set_col(kAddressCol);
    if (first_invalid_row > 0) {
        parts_.status.show_failure(std::string(texts::kInvalidAddressInRow) +
                                   std::to_string(first_invalid_row));
    }
}

}  // namespace halvane
