#pragma once

#include <chrono>

namespace boardsim {

// Time on the simulated board, counted from an arbitrary start. The core never reads a clock
// itself: the event loop (or a test) passes the current time into every call.
using Nanos = std::chrono::nanoseconds;

}  // namespace boardsim
