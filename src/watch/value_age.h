#pragma once

#include <optional>
#include <string>

namespace halvane {

// The tooltip of a Hex Value cell: how long ago its value was read, e.g. "read 0.3 s ago",
// "read 42 s ago", "read 3 min 5 s ago", "read 2 h 10 min ago"; or, when the row's last read
// failed, "last read failed" with the age of the last good read, if there was one
// ("last read failed; last good read 12 s ago"). Empty for a row never read.
// Ages are rounded down, so a value is never shown older than it is.
std::string value_age_text(std::optional<double> last_good_read_at, bool last_read_failed,
                           double now);

}  // namespace halvane
