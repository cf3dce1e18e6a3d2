#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halvane {

// The serial port `MSComm1`: 9600 baud, no parity, 8 data bits, 1 stop bit, no flow control.
//
// The adapter reports arriving characters with one communication notice
// (`Tamrin::MSComm1_OnComm`) whenever new ones wait, and a failure of the line after opening
// (device gone, I/O error) to `Tamrin::serial_failed`.
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    struct OpenResult {
        bool ok = false;
        std::string error_text;  // the serial layer's own words
        bool permission_denied = false;
    };

    virtual OpenResult open() = 0;
    virtual void close() = 0;
    virtual bool is_open() const = 0;
    // The device the port stands for, for messages.
    virtual std::string device_name() const = 0;
    // The device the next open() opens.
    virtual std::string device_path() const = 0;
    // Makes the closed port stand for another device (File > Serial Port): `path` is opened,
    // messages name it `shown_name`. The settings of the line stay.
    virtual void set_device(std::string path, std::string shown_name) = 0;

    // Queues text for the line, in order. False when the port is closed or refuses the text.
    virtual bool write(std::string_view text) = 0;
    // Characters written but not yet gone from the PC, as far as the system can tell.
    virtual std::size_t output_pending() = 0;

    // Every character that has arrived and not been taken yet; empty when none waits.
    virtual std::string take_input() = 0;
};

}  // namespace halvane
