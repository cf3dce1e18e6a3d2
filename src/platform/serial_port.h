#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halvane {

// The serial port `MSComm1`: 9600 baud, no parity, 8 data bits, 1 stop bit.
//
// The adapter delivers a communication notice (`Tamrin::MSComm1_OnComm`) for every
// character that arrives, and keeps delivering notices while characters wait, so that
// a reader taking one character per notice still sees every character in order.
// Line failures after opening are delivered to `Tamrin::serial_failed`.
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    struct OpenResult {
        bool ok = false;
        std::string error_text;  // the serial layer's own words
        bool permission_denied = false;
    };

    // Opens the port at 9600 baud, no parity, 8 data bits, 1 stop bit.
    virtual OpenResult open() = 0;
    virtual void close() = 0;
    virtual bool is_open() const = 0;
    // The device the port stands for, for messages.
    virtual std::string device_name() const = 0;

    // Queues text for the line, in order. Returns false when the port is closed or
    // refuses the text.
    virtual bool write(std::string_view text) = 0;
    // Characters written but not yet gone from the PC, as far as the system can tell
    // (the port's own queue plus the kernel's output queue).
    virtual std::size_t output_pending() = 0;

    // The next waiting characters, at most the input length (0 means all);
    // empty when nothing waits.
    virtual std::string read_input() = 0;
    // Throws away every character that has arrived and not been read.
    virtual void discard_input() = 0;

    // Download settings: text input, characters per read, notice thresholds.
    virtual void set_input_mode_text() = 0;
    virtual void set_input_length(int length) = 0;
    virtual void set_receive_threshold(int threshold) = 0;
    virtual void set_send_threshold(int threshold) = 0;
};

}  // namespace halvane
