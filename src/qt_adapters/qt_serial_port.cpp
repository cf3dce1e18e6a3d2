#include "qt_adapters/qt_serial_port.h"

#include <unistd.h>

#include <QFile>
#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <utility>

#include "qt_adapters/serial_line_os.h"
#include "qt_adapters/serial_low_latency.h"
#include "qt_adapters/text_encoding.h"

namespace halvane::qt {

namespace {

constexpr const char* kDisconnected = "The serial device was disconnected";
// How far the rate a driver makes may be from the one asked for: a character's last bit is then
// still sampled inside it at the far end.
constexpr long kRateTolerancePercent = 3;

std::int64_t monotonic_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

QtSerialPort::QtSerialPort(QString device, QObject* parent)
    : QObject(parent), device_(std::move(device)) {
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::take_arrived_bytes);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::line_error);
}

QtSerialPort::~QtSerialPort() {
    events_ = {};
    port_.close();
}

SerialPort::OpenResult QtSerialPort::open() {
    OpenResult result;
    if (port_.isOpen()) {
        result.ok = true;
        return result;
    }
    failure_pending_ = false;
    input_.clear();
    port_.setPortName(device_);
    rate_ = kOpeningRate;
    wire_.set_rate(rate_);
    port_.setBaudRate(static_cast<qint32>(rate_));
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (port_.open(QIODevice::ReadWrite)) {
        // A USB adapter would otherwise hold each short reply back for its latency timer.
        request_low_latency(port_.handle());
        result.ok = true;
        return result;
    }
    result.error_text = to_utf8(port_.errorString());
    // Qt also says "permission" for a port that another program holds; only a device we may
    // not open at all calls for a change of group membership.
    const QByteArray path = QFile::encodeName(
        device_.startsWith(QLatin1Char('/')) ? device_ : QStringLiteral("/dev/") + device_);
    result.permission_denied = port_.error() == QSerialPort::PermissionError &&
                               ::access(path.constData(), R_OK | W_OK) != 0;
    return result;
}

void QtSerialPort::close() {
    if (port_.isOpen()) port_.close();
    input_.clear();
}

bool QtSerialPort::is_open() const {
    return port_.isOpen();
}

std::string QtSerialPort::device_name() const {
    return shown_name_.empty() ? to_utf8(device_) : shown_name_;
}

std::string QtSerialPort::device_path() const {
    return QFile::encodeName(device_).toStdString();
}

void QtSerialPort::set_device(std::string path, std::string shown_name) {
    close();
    device_ = QFile::decodeName(path.c_str());
    shown_name_ = std::move(shown_name);
    // What the old device's line still had to carry is no concern of the new one.
    wire_ = WireClock(rate_);
}

bool QtSerialPort::write(std::string_view text) {
    if (!port_.isOpen() || failure_pending_) return false;
    if (text.empty()) return true;
    const qint64 size = static_cast<qint64>(text.size());
    if (port_.write(text.data(), size) != size) return false;
    wire_.written(text.size(), monotonic_ns());
    // Hand the bytes to the kernel now rather than on the next pass of the event loop,
    // so each paced character leaves when it is written.
    port_.flush();
    return true;
}

std::size_t QtSerialPort::output_pending() {
    if (!port_.isOpen()) return 0;
    const std::size_t pending = static_cast<std::size_t>(port_.bytesToWrite()) +
                                kernel_output_queue(static_cast<long long>(port_.handle()));
    return std::max(pending, wire_.pending(monotonic_ns()));
}

void QtSerialPort::discard_output() {
    if (!port_.isOpen()) return;
    // Qt's own buffer and the driver's output queue (tcflush) both.
    port_.clear(QSerialPort::Output);
    wire_ = WireClock(rate_);
}

bool QtSerialPort::set_rate(long baud) {
    if (!port_.isOpen() || failure_pending_ || baud <= 0) return false;
    if (baud == rate_) return true;
    const auto apply = [this](long rate) {
        setting_rate_ = true;
        const bool taken = port_.setBaudRate(static_cast<qint32>(rate));
        setting_rate_ = false;
        return taken;
    };
    bool made = apply(baud);
    // A 16550 asked for 62 500 baud makes 57 600 (8 % off) and says nothing.
    const long running = line_rate(static_cast<long long>(port_.handle()));
    if (made && running > 0 && std::abs(running - baud) * 100 > baud * kRateTolerancePercent)
        made = false;
    if (!made) {
        apply(rate_);
        port_.clearError();
        return false;
    }
    rate_ = baud;
    wire_.set_rate(baud);
    return true;
}

std::string QtSerialPort::take_input() {
    return std::exchange(input_, std::string());
}

void QtSerialPort::take_arrived_bytes() {
    const QByteArray arrived = port_.readAll();
    if (arrived.isEmpty()) return;
    input_.append(arrived.constData(), static_cast<std::size_t>(arrived.size()));
    if (events_.arrived) events_.arrived();
}

void QtSerialPort::line_error(QSerialPort::SerialPortError error) {
    // open() reports NoError; timeouts only concern the blocking waits, which are unused.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError) return;
    if (setting_rate_) return;
    if (failure_pending_ || !port_.isOpen()) return;
    failure_pending_ = true;
    failure_text_ = port_.errorString();
    // A line that hung up reads as end of file, and Qt then quotes whatever errno an
    // earlier call left behind: say what happened instead.
    if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError) {
        if (line_hung_up(static_cast<long long>(port_.handle()))) {
            failure_text_ = QString::fromLatin1(kDisconnected);
        } else if (error == QSerialPort::ReadError) {
            failure_text_ = QStringLiteral("Error reading from the serial device");
        }
    }
    // Closing deletes the port's notifiers, and this signal may come from inside one of
    // them: close on the next pass of the event loop instead.
    QMetaObject::invokeMethod(this, &QtSerialPort::fail_now, Qt::QueuedConnection);
}

void QtSerialPort::fail_now() {
    // The port was closed (or opened anew) since the failure: it concerns no open line.
    if (!failure_pending_ || !port_.isOpen()) return;
    close();
    if (events_.failed) events_.failed(to_utf8(failure_text_));
}

}  // namespace halvane::qt
