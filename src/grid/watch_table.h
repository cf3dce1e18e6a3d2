#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "notify/signal.h"

namespace halvane {

// Column numbers of the watch table.
enum GridColumn : int {
    kAddressCol = 0,
    kDescriptionCol = 1,
    kHexValueCol = 2,
    kFlagCol = 3,
    kDecValueCol = 4
};

// The heading row of the table, and so the first line of every map file.
inline constexpr std::array<std::string_view, 5> kColumnHeadings = {
    "Address", "Description", "Hex Value", "Flag", "Dec Value"};

// A watched variable: a row's Address, word flag and Description, as long as all three stay
// the same and the same program runs. 0 is no variable (a row without a usable Address).
using VariableId = std::uint64_t;

// The last reading of a row's variable.
struct RowReading {
    std::string digits;                  // the Hex Value as the replies gave it
    std::optional<std::uint32_t> value;  // its unsigned value, when the digits are hexadecimal
    std::optional<double> good_at;       // when the last good reading came, in seconds
    bool failed = false;                 // the last read got no reply
};

// What a reading did to its row, for whoever shows or keeps it.
struct ReadingNotice {
    int row = 0;
    VariableId variable = 0;
    double seconds = 0;
    bool failed = false;     // the read got no reply
    bool changed = false;    // a good reading that differs from the last good one
    bool recovered = false;  // a good reading after a failed one
    bool newly_failed = false;
    std::optional<std::uint32_t> value;
};

// Whether a row's new Hex Value is a change: it differs from the previous good read of the row.
// The first read of a row (no previous value) is not a change, as there is nothing it changed
// from. The live watch's highlight shows such changes.
bool is_value_change(std::optional<std::string_view> previous_hex, std::string_view new_hex);

// The watch table: the one home of the 100 rows of five cell texts that a map file holds and
// the user types (row 0 is the heading row), of what is derived from them (the Address as a
// number when it is four hexadecimal digits, the word and decimal flags, the row's variable)
// and of each row's last reading. It is the one place that parses an Address and joins the two
// bytes of a word.
class WatchTable {
  public:
    static constexpr int kRows = 100;
    static constexpr int kCols = 5;

    WatchTable();
    WatchTable(const WatchTable&) = delete;
    WatchTable& operator=(const WatchTable&) = delete;

    // Told of every change of the table. A cell's text (row, column).
    Signal<int, int> cell_changed;
    // The current cell moved; false when a command moved it, true when the user did.
    Signal<bool> current_cell_moved;
    // A row's variable ended (0 when the row had none) and its new one began (0 when it has
    // none): (row, ended, began).
    Signal<int, VariableId, VariableId> variable_replaced;
    Signal<const ReadingNotice&> reading_noted;

    // Cell texts (UTF-8), row 0 the headings. Out-of-range cells read as empty.
    const std::string& text(int row, int col) const;
    void set_text(int row, int col, std::string_view text);
    // All 500 cells in row order, as a map file holds them.
    std::vector<std::string> cells() const;
    // Fills the cells from `fields` in row order, as far as they go (a map file's fields).
    void fill(std::span<const std::string> fields);

    // The current cell: rows 1 to 99 (the heading row cannot hold it), columns 0 to 4.
    int row() const { return row_; }
    int col() const { return col_; }
    void set_row(int row) { move_current(row, col_, false); }
    void set_col(int col) { move_current(row_, col, false); }
    // The user moved it (keys, a click).
    void select_cell(int row, int col) { move_current(row, col, true); }

    // What the row's texts say.
    std::optional<std::uint16_t> address(int row) const;
    bool word(int row) const;
    bool decimal(int row) const;
    VariableId variable(int row) const;
    // A row's name in a plot or a recording: its Description, or its Address where that is
    // empty.
    std::string name(int row) const;
    // The rows with a usable Address, in order.
    std::vector<int> watched_rows() const;
    // The row whose variable is `variable`, or 0.
    int row_of(VariableId variable) const;

    const RowReading& reading(int row) const;
    // A read of the row's variable came back with `replies`, the digits of each byte's reply
    // (two for a word, high byte first). They become its Hex Value (a word's the first two
    // characters of each reply), its Dec Value where the Flag asks for it, and its reading.
    // Ignored, returning false, when the row's variable is no longer `variable`.
    bool note_reading(int row, VariableId variable, std::span<const std::string> replies,
                      double seconds);
    // What a read shows of the bytes from `first` on, before the table takes them: while
    // breakpoints are armed in a running program, the session shows the program's own byte where
    // the monitor's SWI sits. Set once by the session; none shows the bytes as read.
    using ReadFilter = std::function<void(std::uint16_t first, std::span<std::uint8_t> bytes)>;
    void set_read_filter(ReadFilter filter) { read_filter_ = std::move(filter); }
    // The replies of a read from `first` as the filter shows them (each reply's first two
    // digits are its byte).
    std::vector<std::string> shown_replies(std::uint16_t first,
                                           std::span<const std::string> replies) const;
    // A read of the row's variable got no reply; its values stay.
    bool note_failure(int row, VariableId variable, double seconds);
    // A new program runs: every variable ends, and each row with an Address begins a new one.
    void renew_variables();

  private:
    ReadFilter read_filter_;
    // What makes a row's variable.
    struct Identity {
        std::optional<std::uint16_t> address;
        bool word = false;
        std::string description;
        bool operator==(const Identity&) const = default;
    };
    struct Row {
        std::array<std::string, kCols> cells;
        Identity identity;
        bool decimal = false;
        VariableId variable = 0;
        RowReading reading;
    };

    static bool in_range(int row, int col);
    void derive(int row);
    void replace_variable(int row);
    void move_current(int row, int col, bool by_user);
    void store(int row, int col, std::string text);

    std::array<Row, kRows> rows_{};
    VariableId last_variable_ = 0;
    int row_ = 1;
    int col_ = 0;
};

}  // namespace halvane
