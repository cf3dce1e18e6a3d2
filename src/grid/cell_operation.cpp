#include "app/board_exchange_guard.h"
#include "app/main_window.h"
#include "grid/grid_rules.h"

namespace halvane {

void Tamrin::DataGrid_DblClick() {
    if (!may_start_exchange()) return;
    BoardExchangeGuard guard(busy_);
    cell_operation(p_.grid.row(), p_.grid.col());
}

void Tamrin::get_all_Click() {
    if (!may_start_exchange()) return;
    BoardExchangeGuard guard(busy_);
    for (int row = 1; row < GridView::kRows; ++row) {
        p_.grid.set_row(row);
        p_.grid.set_col(kAddressCol);
        if (p_.grid.text(row, kAddressCol).empty()) continue;
        if (cell_operation(row, kAddressCol) != Exchange::kOk) return;
    }
}

// Reads, or writes and reads back, the location of `row`. Every cell it touches is in
// `row`, the row the operation started on, even if the user selects another one meanwhile.
Tamrin::Exchange Tamrin::cell_operation(int row, int col) {
    if (row < 1 || row >= GridView::kRows) return Exchange::kOk;  // the heading row is no location
    p_.text1.set_text("");

    bool read = col == kAddressCol;
    if (col == kHexValueCol || read) {
        const auto address = request_address(p_.grid.text(row, kAddressCol));
        if (!address) {
            set_status(std::string(texts::kStatusPrefix) + "Invalid address in row " +
                       std::to_string(row));
            return Exchange::kRefused;
        }
        if (!p_.mscomm1.is_open()) {
            report_port_closed();
            return Exchange::kPortFailed;
        }
        const std::string before = p_.grid.text(row, kHexValueCol);

        if (col == kHexValueCol) {
            const auto typed = p_.input_box.ask(texts::kNewValuePrompt, "");
            if (closing_) return Exchange::kAborted;
            const std::string answer = to_upper_ascii(typed.value_or(""));
            const bool word = is_word_row(p_.grid.text(row, kFlagCol));
            if (!typed || !is_valid_answer(answer, word))
                return Exchange::kOk;  // nothing written, nothing read
            Exchange sent = write_mem(first_two(answer), *address);
            if (sent == Exchange::kOk && is_word_row(p_.grid.text(row, kFlagCol)))
                sent = write_mem(last_two(answer), next_address(*address));
            if (sent != Exchange::kOk) {
                report_exchange_failure(sent, *address);
                return sent;
            }
            p_.grid.set_col(kAddressCol);
            read = true;
        }

        if (read) {
            Exchange got;
            std::string failed_at = *address;
            if (is_word_row(p_.grid.text(row, kFlagCol))) {
                got = read_mem(*address, row);
                if (got == Exchange::kOk) {
                    const std::string high = first_two(p_.grid.text(row, kHexValueCol));
                    p_.text1.set_text("");
                    failed_at = next_address(*address);
                    got = read_mem(failed_at, row);
                    if (got == Exchange::kOk)
                        p_.grid.set_text(row, kHexValueCol,
                                         high + first_two(p_.grid.text(row, kHexValueCol)));
                }
            } else {
                got = read_mem(*address, row);
            }
            if (got != Exchange::kOk) {
                if (got == Exchange::kAborted) return got;
                p_.grid.set_text(row, kHexValueCol, before);
                report_exchange_failure(got, failed_at);
                return got;
            }
        }
    }

    if (is_decimal_row(p_.grid.text(row, kFlagCol)))
        p_.grid.set_text(row, kDecValueCol, decimal_value(p_.grid.text(row, kHexValueCol)));
    return Exchange::kOk;
}

void Tamrin::report_exchange_failure(Exchange outcome, std::string_view address) {
    switch (outcome) {
        case Exchange::kTimedOut:
            set_status(std::string(texts::kStatusPrefix) + "No reply from board at " +
                       std::string(address));
            break;
        case Exchange::kPortFailed:
            report_port_closed();
            break;
        case Exchange::kOk:
        case Exchange::kRefused:
        case Exchange::kAborted:
            break;
    }
}

}  // namespace halvane
