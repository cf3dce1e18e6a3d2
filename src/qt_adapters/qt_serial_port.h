#pragma once

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <functional>
#include <string>
#include <utility>

#include "link/wire_clock.h"
#include "platform/serial_port.h"

namespace halvane::qt {

// The serial port on QSerialPort. Arriving bytes are moved into the adapter's own input queue as
// soon as Qt reports them, and one event tells the board link to take them.
class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT

  public:
    explicit QtSerialPort(QString device, QObject* parent = nullptr);
    ~QtSerialPort() override;

    void set_events(Events events) override { events_ = std::move(events); }
    OpenResult open() override;
    void close() override;
    bool is_open() const override;
    std::string device_name() const override;
    std::string device_path() const override;
    // Reopened by open() on the new device, with the same settings; the port must be closed.
    void set_device(std::string path, std::string shown_name) override;
    // The name messages use instead of the device's path (what the user typed for it).
    void set_shown_name(std::string name) { shown_name_ = std::move(name); }

    bool write(std::string_view text) override;
    std::size_t output_pending() override;
    void discard_output() override;

    std::string take_input() override;
    long rate() const override { return rate_; }
    // Qt Serial Port passes a rate it has no name for on to the driver (termios2 on Linux); a
    // driver that makes only the nearest rate it can is caught by reading back what it made.
    bool set_rate(long baud) override;

    std::size_t input_waiting() const { return input_.size(); }

  private:
    void take_arrived_bytes();
    void line_error(QSerialPort::SerialPortError error);
    void fail_now();

    Events events_;
    QString device_;
    std::string shown_name_;
    QSerialPort port_;
    static constexpr long kOpeningRate = 9600;
    long rate_ = kOpeningRate;
    // A driver's refusal of a rate reports an error that is no failure of the line.
    bool setting_rate_ = false;
    // What the line can have carried of what was written.
    WireClock wire_{kOpeningRate};
    std::string input_;
    bool failure_pending_ = false;
    QString failure_text_;
};

}  // namespace halvane::qt
