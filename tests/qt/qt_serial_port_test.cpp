// The serial adapter against a pseudo-terminal: settings and the line's rate, bytes out in
// order, bytes in one notice per character, and the far side hanging up; the driver's
// low-latency mode.

#include "qt_adapters/qt_serial_port.h"

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <cerrno>
#include <vector>

#include "pty_pair.h"
#include "qt_adapters/serial_low_latency.h"

using halvane::qt::QtSerialPort;
using halvane::testing::PtyPair;

class SerialPortTest : public QObject {
    Q_OBJECT

  private slots:
    void opens_at_9600_8n1_without_flow_control();
    void a_rate_without_a_name_reaches_the_terminal_and_every_open_starts_at_9600();
    void open_failure_carries_the_serial_layers_words();
    void permission_is_blamed_only_when_the_device_is_out_of_reach();
    void writes_leave_in_order_and_not_after_close();
    void every_character_reaches_the_reader_once_and_in_order();
    void characters_wait_until_taken_with_one_notice_per_arrival();
    void far_side_hanging_up_is_reported_once_and_closes_the_port();
    void low_latency_mode_is_added_to_the_drivers_serial_settings();
    void devices_without_serial_settings_are_left_alone_silently();
};

void SerialPortTest::opens_at_9600_8n1_without_flow_control() {
    PtyPair pty;
    QVERIFY(pty.ok());
    QtSerialPort port(pty.slave_name());
    const auto result = port.open();
    QVERIFY2(result.ok, result.error_text.c_str());
    QVERIFY(port.is_open());
    QCOMPARE(QString::fromStdString(port.device_name()), pty.slave_name());

    termios settings{};
    QCOMPARE(::tcgetattr(pty.master(), &settings), 0);
    QCOMPARE(::cfgetospeed(&settings), speed_t(B9600));
    QCOMPARE(::cfgetispeed(&settings), speed_t(B9600));
    QCOMPARE(settings.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(settings.c_cflag & PARENB, tcflag_t(0));
    QCOMPARE(settings.c_cflag & CSTOPB, tcflag_t(0));
    QCOMPARE(settings.c_cflag & CRTSCTS, tcflag_t(0));
    QCOMPARE(settings.c_iflag & (IXON | IXOFF), tcflag_t(0));
}

void SerialPortTest::a_rate_without_a_name_reaches_the_terminal_and_every_open_starts_at_9600() {
    PtyPair pty;
    QVERIFY(pty.ok());
    QtSerialPort port(pty.slave_name());
    QVERIFY(!port.set_rate(62'500));  // closed
    int failures = 0;
    port.set_events({{}, [&](const std::string&) { ++failures; }});
    QVERIFY(port.open().ok);
    QCOMPARE(port.rate(), 9600L);
    QCOMPARE(pty.line_rate(), 9600L);
    for (const long rate : {62'500L, 125'000L, 9600L, 62'500L}) {
        QVERIFY(port.set_rate(rate));
        QCOMPARE(port.rate(), rate);
        QCOMPARE(pty.line_rate(), rate);
    }
    QVERIFY(!port.set_rate(0));
    QCOMPARE(pty.line_rate(), 62'500L);
    // The line still carries characters both ways at the new rate.
    QVERIFY(port.write("=30"));
    QCOMPARE(pty.receive(3), QByteArray("=30"));
    pty.send("!30@");
    QTRY_COMPARE(port.input_waiting(), std::size_t(4));
    QCOMPARE(port.take_input(), std::string("!30@"));

    port.close();
    QVERIFY(port.open().ok);
    QCOMPARE(port.rate(), 9600L);
    QCOMPARE(pty.line_rate(), 9600L);
    QCOMPARE(failures, 0);
}

void SerialPortTest::open_failure_carries_the_serial_layers_words() {
    QtSerialPort port("/dev/halvane-no-such-device");
    const auto result = port.open();
    QVERIFY(!result.ok);
    QVERIFY(!result.error_text.empty());
    QVERIFY(!result.permission_denied);
    QVERIFY(!port.is_open());
    QVERIFY(!port.write("x"));
}

void SerialPortTest::permission_is_blamed_only_when_the_device_is_out_of_reach() {
    PtyPair pty;
    QtSerialPort first(pty.slave_name());
    QVERIFY(first.open().ok);
    QtSerialPort second(pty.slave_name());
    const auto held = second.open();
    QVERIFY(!held.ok);
    QVERIFY(!held.permission_denied);  // held by another user of the line, not forbidden
    first.close();

    if (::getuid() != 0) QSKIP("needs root to open the device as another user");
    const QByteArray device = pty.slave_name().toLocal8Bit();
    QCOMPARE(::chmod(device.constData(), 0600), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
        QtSerialPort denied(pty.slave_name());
        const auto result = denied.open();
        ::_exit(result.ok ? 2 : result.permission_denied ? 0 : 1);
    }
    int status = -1;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

void SerialPortTest::writes_leave_in_order_and_not_after_close() {
    PtyPair pty;
    QtSerialPort port(pty.slave_name());
    QVERIFY(port.open().ok);
    for (const char* piece : {"*", "2", "4", "0", "0", "", "load t\r"}) QVERIFY(port.write(piece));
    QCOMPARE(pty.receive(12), QByteArray("*2400load t\r"));
    QTRY_COMPARE(port.output_pending(), std::size_t(0));

    port.close();
    QVERIFY(!port.is_open());
    QVERIFY(!port.write("x"));
    QCOMPARE(port.output_pending(), std::size_t(0));
    QCOMPARE(pty.receive_for(100), QByteArray());
}

void SerialPortTest::every_character_reaches_the_reader_once_and_in_order() {
    PtyPair pty;
    QtSerialPort port(pty.slave_name());
    QVERIFY(port.open().ok);
    std::string received;
    int notices = 0;
    port.set_events({[&] {
                         ++notices;
                         received += port.take_input();
                     },
                     {}});

    pty.send("!1F@");
    pty.send(QByteArray("x\r\0\xff", 4));
    QTRY_COMPARE(received.size(), std::size_t(8));
    QCOMPARE(received, std::string("!1F@x\r\0\xff", 8));
    QVERIFY(notices >= 1 && notices <= 8);
    QCOMPARE(port.input_waiting(), std::size_t(0));
    QCOMPARE(port.take_input(), std::string());
}

void SerialPortTest::characters_wait_until_taken_with_one_notice_per_arrival() {
    PtyPair pty;
    QtSerialPort port(pty.slave_name());
    QVERIFY(port.open().ok);
    int notices = 0;
    port.set_events({[&] { ++notices; }, {}});

    pty.send("abc");
    QTRY_COMPARE(port.input_waiting(), std::size_t(3));
    QCOMPARE(notices, 1);
    pty.send("de");
    QTRY_COMPARE(port.input_waiting(), std::size_t(5));
    QCOMPARE(notices, 2);
    QCOMPARE(port.take_input(), std::string("abcde"));
}

void SerialPortTest::far_side_hanging_up_is_reported_once_and_closes_the_port() {
    PtyPair pty;
    QtSerialPort port(pty.slave_name());
    QVERIFY(port.open().ok);
    int failures = 0;
    std::string reported;
    port.set_events({[&] { port.take_input(); },
                     [&](const std::string& text) {
                         ++failures;
                         reported = text;
                     }});

    pty.close_master();
    QTRY_COMPARE(failures, 1);
    QCOMPARE(reported, std::string("The serial device was disconnected"));
    QVERIFY(!port.is_open());
    QVERIFY(!port.write("*"));

    // Closed, the port raises nothing more: no repeated reports, no busy notifier.
    QTest::qWait(200);
    QCOMPARE(failures, 1);
}

void SerialPortTest::low_latency_mode_is_added_to_the_drivers_serial_settings() {
#ifdef __linux__
    constexpr int kOtherFlags = ASYNC_SKIP_TEST | ASYNC_SPD_HI;
    std::vector<unsigned long> calls;
    int written_flags = -1;
    const halvane::qt::SerialIoctl driver = [&](int fd, unsigned long request, void* argument) {
        if (fd != 7) return -1;
        calls.push_back(request);
        auto* settings = static_cast<serial_struct*>(argument);
        if (request == TIOCGSERIAL) settings->flags = kOtherFlags;
        if (request == TIOCSSERIAL) written_flags = settings->flags;
        return 0;
    };
    QVERIFY(halvane::qt::request_low_latency(7, driver));
    QCOMPARE(calls, (std::vector<unsigned long>{TIOCGSERIAL, TIOCSSERIAL}));
    QCOMPARE(written_flags, kOtherFlags | ASYNC_LOW_LATENCY);  // the others kept

    // A driver that shows its settings but refuses changes (no permission) is no error either.
    calls.clear();
    const halvane::qt::SerialIoctl refusing = [&](int, unsigned long request, void*) {
        calls.push_back(request);
        return request == TIOCSSERIAL ? -1 : 0;
    };
    QVERIFY(!halvane::qt::request_low_latency(7, refusing));
    QCOMPARE(calls.size(), std::size_t{2});
#else
    QSKIP("low-latency mode is a Linux serial driver setting");
#endif
}

void SerialPortTest::devices_without_serial_settings_are_left_alone_silently() {
#ifdef __linux__
    std::vector<unsigned long> calls;
    const halvane::qt::SerialIoctl no_settings = [&](int, unsigned long request, void*) {
        calls.push_back(request);
        errno = ENOTTY;
        return -1;
    };
    QVERIFY(!halvane::qt::request_low_latency(7, no_settings));
    QCOMPARE(calls, (std::vector<unsigned long>{TIOCGSERIAL}));  // nothing written

    // A pseudo-terminal is such a device: the request fails, and the port opens and works as
    // usual, with no failure reported.
    PtyPair pty;
    QVERIFY(pty.ok());
    QVERIFY(!halvane::qt::request_low_latency(pty.master()));
    QtSerialPort port(pty.slave_name());
    std::string failure;
    port.set_events({{}, [&](const std::string& text) { failure = text; }});
    const auto result = port.open();
    QVERIFY2(result.ok, result.error_text.c_str());
    QVERIFY(port.write("*"));
    QCOMPARE(pty.receive(1), QByteArray("*"));
    QVERIFY(failure.empty());
#else
    QSKIP("low-latency mode is a Linux serial driver setting");
#endif
}

QTEST_GUILESS_MAIN(SerialPortTest)
#include "qt_serial_port_test.moc"
