#include "grid/watch_table.h"

#include <algorithm>
#include <utility>

#include "grid/grid_rules.h"
#include "text/hex_digits.h"

namespace halvane {

bool is_value_change(std::optional<std::string_view> previous_hex, std::string_view new_hex) {
    return previous_hex.has_value() && *previous_hex != new_hex;
}

namespace {
const std::string kNoText;
const RowReading kNoReading;
}  // namespace

WatchTable::WatchTable() {
    for (int col = 0; col < kCols; ++col) rows_[0].cells[col] = kColumnHeadings[col];
}

bool WatchTable::in_range(int row, int col) {
    return row >= 0 && row < kRows && col >= 0 && col < kCols;
}

const std::string& WatchTable::text(int row, int col) const {
    return in_range(row, col) ? rows_[row].cells[col] : kNoText;
}

void WatchTable::set_text(int row, int col, std::string_view text) {
    if (!in_range(row, col) || rows_[row].cells[col] == text) return;
    store(row, col, std::string(text));
    if (row > 0 && (col == kAddressCol || col == kDescriptionCol || col == kFlagCol)) derive(row);
}

void WatchTable::store(int row, int col, std::string text) {
    rows_[row].cells[col] = std::move(text);
    cell_changed.notify(row, col);
}

std::vector<std::string> WatchTable::cells() const {
    std::vector<std::string> all;
    all.reserve(static_cast<std::size_t>(kRows * kCols));
    for (const Row& row : rows_) all.insert(all.end(), row.cells.begin(), row.cells.end());
    return all;
}

void WatchTable::fill(std::span<const std::string> fields) {
    for (std::size_t i = 0; i < fields.size() && i < static_cast<std::size_t>(kRows * kCols); ++i)
        set_text(static_cast<int>(i) / kCols, static_cast<int>(i) % kCols, fields[i]);
}

// The row's Address, word flag and Description say which variable it is; a change to any of
// them ends the old one.
void WatchTable::derive(int row) {
    Row& r = rows_[row];
    Identity identity;
    identity.address = parse_address(r.cells[kAddressCol]);
    identity.word = is_word_row(r.cells[kFlagCol]);
    identity.description = r.cells[kDescriptionCol];
    r.decimal = is_decimal_row(r.cells[kFlagCol]);
    if (identity == r.identity) return;
    r.identity = std::move(identity);
    if (r.variable != 0 || r.identity.address) replace_variable(row);
}

void WatchTable::replace_variable(int row) {
    Row& r = rows_[row];
    const VariableId ended = r.variable;
    r.variable = r.identity.address ? ++last_variable_ : 0;
    r.reading = {};
    variable_replaced.notify(row, ended, r.variable);
}

void WatchTable::renew_variables() {
    for (int row = 1; row < kRows; ++row) {
        if (rows_[row].variable != 0) replace_variable(row);
    }
}

void WatchTable::move_current(int row, int col, bool by_user) {
    row = std::clamp(row, 1, kRows - 1);
    col = std::clamp(col, 0, kCols - 1);
    if (row == row_ && col == col_) return;
    row_ = row;
    col_ = col;
    current_cell_moved.notify(by_user);
}

std::optional<std::uint16_t> WatchTable::address(int row) const {
    return row > 0 && row < kRows ? rows_[row].identity.address : std::nullopt;
}

bool WatchTable::word(int row) const {
    return row > 0 && row < kRows && rows_[row].identity.word;
}

bool WatchTable::decimal(int row) const {
    return row > 0 && row < kRows && rows_[row].decimal;
}

VariableId WatchTable::variable(int row) const {
    return row > 0 && row < kRows ? rows_[row].variable : 0;
}

std::string WatchTable::name(int row) const {
    const std::string& description = text(row, kDescriptionCol);
    return description.empty() ? text(row, kAddressCol) : description;
}

std::vector<int> WatchTable::watched_rows() const {
    std::vector<int> rows;
    for (int row = 1; row < kRows; ++row) {
        if (rows_[row].identity.address) rows.push_back(row);
    }
    return rows;
}

int WatchTable::row_of(VariableId variable) const {
    if (variable == 0) return 0;
    for (int row = 1; row < kRows; ++row) {
        if (rows_[row].variable == variable) return row;
    }
    return 0;
}

const RowReading& WatchTable::reading(int row) const {
    return row > 0 && row < kRows ? rows_[row].reading : kNoReading;
}

bool WatchTable::note_reading(int row, VariableId variable, std::span<const std::string> replies,
                              double seconds) {
    if (variable == 0 || this->variable(row) != variable || replies.empty()) return false;
    Row& r = rows_[row];
    const std::string digits = r.identity.word && replies.size() > 1
                                   ? first_two(replies[0]) + first_two(replies[1])
                                   : replies[0];
    ReadingNotice notice;
    notice.row = row;
    notice.variable = variable;
    notice.seconds = seconds;
    notice.changed = r.reading.good_at.has_value() && is_value_change(r.reading.digits, digits);
    notice.recovered = r.reading.failed;
    notice.value = hex_value(digits);
    r.reading = {digits, notice.value, seconds, false};
    set_text(row, kHexValueCol, digits);
    if (r.decimal) set_text(row, kDecValueCol, decimal_value(digits));
    reading_noted.notify(notice);
    return true;
}

std::vector<std::string> WatchTable::shown_replies(std::uint16_t first,
                                                   std::span<const std::string> replies) const {
    std::vector<std::string> shown(replies.begin(), replies.end());
    if (!read_filter_) return shown;
    std::vector<std::uint8_t> bytes;
    for (const std::string& reply : replies) {
        const auto value = reply.size() >= 2 ? hex_value(reply.substr(0, 2)) : std::nullopt;
        if (!value) return shown;
        bytes.push_back(static_cast<std::uint8_t>(*value));
    }
    read_filter_(first, bytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) shown[i].replace(0, 2, hex_text(bytes[i], 2));
    return shown;
}

bool WatchTable::note_failure(int row, VariableId variable, double seconds) {
    if (variable == 0 || this->variable(row) != variable) return false;
    Row& r = rows_[row];
    ReadingNotice notice;
    notice.row = row;
    notice.variable = variable;
    notice.seconds = seconds;
    notice.failed = true;
    notice.newly_failed = !r.reading.failed;
    r.reading.failed = true;
    reading_noted.notify(notice);
    return true;
}

}  // namespace halvane
