#include "app/main_window.h"
#include "grid/get_all.h"
#include "grid/grid_rules.h"
#include "grid/row_operation.h"

namespace halvane {

// The cell operation: on the Address, read the row's byte or word; on the Hex Value, ask for a
// new value, write it and read it back; on any cell, show the decimal value where the Flag asks
// for it. Exchanges with the board are queued before Get All's and the sweep's rows, and their
// results land in the row that was double-clicked, whatever row is current by then.
void Tamrin::DataGrid_DblClick() {
    if (closing_) return;
    const int row = p_.grid.row();
    const int col = p_.grid.col();
    if (row < 1 || row >= GridView::kRows) return;  // the heading row is no location
    link_.clear_received();

    if (col != kAddressCol && col != kHexValueCol) {
        if (is_decimal_row(p_.grid.text(row, kFlagCol)))
            p_.grid.set_text(row, kDecValueCol, decimal_value(p_.grid.text(row, kHexValueCol)));
        return;
    }
    const std::optional<std::string> address = request_address(p_.grid.text(row, kAddressCol));
    if (!address) {
        status_.show_failure(std::string(texts::kStatusPrefix) + "Invalid address in row " +
                             std::to_string(row));
        return;
    }
    if (!may_use_line()) return;

    RowRequest request{row, *address, is_word_row(p_.grid.text(row, kFlagCol)), std::nullopt};
    if (col == kHexValueCol) {
        const std::optional<std::string> typed = p_.input_box.ask(texts::kNewValuePrompt, "");
        if (closing_ || !typed) return;
        const std::string answer = to_upper_ascii(*typed);
        if (!is_valid_answer(answer, request.word)) {
            status_.show_failure(std::string(texts::kStatusPrefix) + "Invalid value for row " +
                                 std::to_string(row));
            return;
        }
        // The box was modal, but the line may have changed meanwhile.
        if (!may_use_line()) return;
        request.answer = answer;
    }
    queue_row(request);
}

void Tamrin::queue_row(const RowRequest& request) {
    link_.queue_user_job(
        std::make_unique<RowOperation>(request, [this](const RowResult& r) { row_done(r); }));
}

void Tamrin::row_done(const RowResult& result) {
    if (closing_) return;
    const int row = result.request.row;
    note_read(result);
    switch (result.outcome) {
        case RowResult::Outcome::kCancelled:
            return;
        case RowResult::Outcome::kPortFailed:
            report_port_closed();
            return;
        case RowResult::Outcome::kTimedOut:
            status_.show_failure(std::string(texts::kStatusPrefix) + "No reply from board at " +
                                 result.failed_address);
            break;
        case RowResult::Outcome::kOk:
            show_read_value(row, result.value);
            break;
    }
    // After a write the Address of the row is current again, ready for the next read.
    if (result.request.answer && p_.grid.row() == row) p_.grid.set_col(kAddressCol);
}

// A value read from the board: its Hex Value, and the Dec Value where the Flag asks for it.
void Tamrin::show_read_value(int row, const std::string& value) {
    p_.grid.set_text(row, kHexValueCol, value);
    if (is_decimal_row(p_.grid.text(row, kFlagCol)))
        p_.grid.set_text(row, kDecValueCol, decimal_value(value));
    status_.exchange_succeeded();
}

void Tamrin::get_all_Click() {
    if (closing_ || link_.source_running(BoardLink::Source::kGetAll)) return;
    if (link_.downloading()) {
        status_.show_failure(std::string(texts::kBusy));
        return;
    }
    link_.start_source(BoardLink::Source::kGetAll,
                       std::make_unique<GetAllRows>(
                           p_.grid, [this](const RowResult& r) { row_done(r); },
                           [this](int first_invalid_row, bool completed) {
                               get_all_finished(first_invalid_row, completed);
                           }));
}

void Tamrin::get_all_finished(int first_invalid_row, bool completed) {
    if (closing_ || !completed) return;
    p_.grid.set_row(GridView::kRows - 1);
    p_.grid.set_col(kAddressCol);
    if (first_invalid_row > 0) {
        status_.show_failure(std::string(texts::kStatusPrefix) + "Invalid address in row " +
                             std::to_string(first_invalid_row));
    }
}

}  // namespace halvane
