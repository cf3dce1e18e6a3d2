// Low-latency mode for the board's serial line.
//
// A USB-serial adapter collects what the board sends and hands it to the PC only when its
// buffer fills or its latency timer (16 ms by default on FTDI chips) runs out, and some drivers
// batch received characters too. A four-character reply then waits for the timer, and every
// read of the watch takes up to 2.7 times as long as the line needs. Low-latency mode asks the
// driver to pass characters on at once.
#pragma once

#include <functional>

namespace halvane::qt {

// ioctl(fd, request, argument): the call the request makes, replaceable in tests.
using SerialIoctl = std::function<int(int fd, unsigned long request, void* argument)>;

// Asks the driver of the serial device open on `fd` for low-latency mode (on Linux: read the
// serial settings, add ASYNC_LOW_LATENCY, write them back). Devices that refuse
// (pseudo-terminals, many built-in ports) stay as they are, without a message: the link works
// either way. True when the driver took the request; false on systems without the mode.
bool request_low_latency(int fd);
bool request_low_latency(int fd, const SerialIoctl& ioctl);

}  // namespace halvane::qt
