#pragma once

#include "grid/row_operation.h"
#include "grid/session_parts.h"

namespace halvane {

// The end of a row's operation, whoever asked for it: a good read becomes the row's values and
// reading (where the row still stands for the variable read), a read without reply marks the row,
// a good one counts as an exchange that ended well, and a lost port is reported. False when the
// operation was cancelled or the port was lost: nothing more is to be done with it.
bool finish_row(const RowResult& result, WatchTable& table, PortSession& port, StatusLine& status,
                double seconds);

// The grid's commands: typing into the current cell, reading or writing the current row
// (a double-click), and Get All.
class CellCommands {
  public:
    explicit CellCommands(SessionParts parts);

    // A key typed into the current cell: `code` is a Unicode code point, 8 is backspace.
    void type_key(int code);
    // On the Address, read the row's byte or word; on the Hex Value, ask for a new value, write
    // it and read it back; on any cell, show the decimal value where the Flag asks for it.
    void read_or_write_cell();
    // Every row with an Address, in order; ignored while one runs.
    void get_all();
    bool getting_all() const { return parts_.link.source_running(BoardLink::Source::kGetAll); }

  private:
    void row_done(const RowResult& result);
    void get_all_finished(int first_invalid_row, bool completed);
    double seconds() const;

    SessionParts parts_;
};

}  // namespace halvane
