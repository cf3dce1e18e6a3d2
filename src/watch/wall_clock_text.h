#pragma once

#include <chrono>
#include <string>

namespace halvane {

// `when` as local wall-clock time, "YYYY-MM-DDThh:mm:ss.sss+hh:mm", in a zone `utc_offset`
// ahead of UTC (negative west of Greenwich). Milliseconds are rounded down.
std::string wall_clock_text(std::chrono::system_clock::time_point when,
                            std::chrono::seconds utc_offset);

// The system's local time zone's offset from UTC at `when` (summer time included).
std::chrono::seconds local_utc_offset(std::chrono::system_clock::time_point when);

// `when` in this computer's local time, as `wall_clock_text` writes it.
std::string local_wall_clock_text(std::chrono::system_clock::time_point when);

}  // namespace halvane
