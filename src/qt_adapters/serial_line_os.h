#pragma once

#include <cstddef>

namespace halvane::qt {

// What the serial port adapter asks of the operating system beyond Qt Serial Port, behind the
// port's native handle. serial_line_os_linux.cpp answers on Linux; serial_line_os_portable.cpp
// elsewhere, where the adapter's own wire model stands in.

// Characters the operating system still holds for the line (Linux: TIOCOUTQ); 0 where it
// cannot tell.
std::size_t kernel_output_queue(long long handle);

// Whether the line behind `handle` has hung up (the device is gone), waiting a moment for the
// kernel to finish hanging it up; false where it cannot tell.
bool line_hung_up(long long handle);

// The rate in baud the driver of the line behind `handle` really runs at, for its output (Linux:
// TCGETS2, which also reports a rate that has no name of its own); 0 where it cannot tell.
long line_rate(long long handle);

}  // namespace halvane::qt
