#pragma once

#include <array>
#include <optional>
#include <string>

#include "platform/grid_view.h"

namespace halvane {

// What the watch remembers of each row's reads: the last good value and when it came, and
// whether the last read failed. It tells a change from a repeat and words a value's age.
class WatchedRows {
  public:
    struct GoodRead {
        bool changed = false;    // differs from the last good read (the first read changes nothing)
        bool recovered = false;  // the read before it had failed
    };
    // A good read of `row` at `now` (seconds).
    GoodRead read_ok(int row, const std::string& hex, double now);
    // A read of `row` without reply; true when the read before it had not failed.
    bool read_failed(int row);
    // The Hex Value's tooltip: "read 0.3 s ago", "last read failed ...", or empty.
    std::string age_text(int row, double now) const;

  private:
    struct Row {
        std::optional<std::string> hex;
        std::optional<double> good_at;
        bool failed = false;
    };
    Row* find(int row);

    std::array<Row, GridView::kRows> rows_{};
};

}  // namespace halvane
