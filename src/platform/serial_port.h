#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace halvane {

// The serial line to the board: no parity, 8 data bits, 1 stop bit, no flow control, at 9600 baud
// from every open until its rate is set.
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    struct OpenResult {
        bool ok = false;
        std::string error_text;  // the serial layer's own words
        bool permission_denied = false;
    };

    // What the port reports on its own, on the UI thread: characters have arrived (take them
    // with take_input), and a failure of the line after opening (device gone, I/O error), once;
    // the port is closed by then.
    struct Events {
        std::function<void()> arrived;
        std::function<void(const std::string& error_text)> failed;
    };
    virtual void set_events(Events events) = 0;

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
    // Throws away what was written and has not left the PC yet (the port's own buffer and the
    // driver's output queue). Characters a USB adapter has taken already still go.
    virtual void discard_output() = 0;

    // The line's rate in baud: 9600 from every open.
    virtual long rate() const = 0;
    // Sets the line's rate, both ways. Characters still waiting in the PC's queues leave at the
    // new rate, so it is set while the line is quiet. False, with the rate as it was, when the
    // port is closed or the device cannot make `baud` (to within 3 %).
    virtual bool set_rate(long baud) = 0;

    // Every character that has arrived and not been taken yet; empty when none waits.
    virtual std::string take_input() = 0;
};

}  // namespace halvane
