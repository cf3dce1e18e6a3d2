#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>

namespace halvane::testing {

PtyPair::PtyPair() {
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
        master_ = -1;
        return;
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::close(slave);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    slave_name_ = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair() {
    close_master();
}

void PtyPair::close_master() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void PtyPair::send(const QByteArray& bytes) {
    if (master_ < 0) return;
    const ssize_t written = ::write(master_, bytes.constData(), static_cast<size_t>(bytes.size()));
    (void)written;
}

QByteArray PtyPair::receive(int count, int timeout_ms) {
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (master_ >= 0 && got.size() < count && clock.elapsed() < timeout_ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd fd{master_, POLLIN, 0};
        if (::poll(&fd, 1, 5) > 0 && (fd.revents & POLLIN)) {
            char buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) got.append(buffer, static_cast<qsizetype>(n));
        }
    }
    return got;
}

QByteArray PtyPair::receive_for(int ms) {
    return receive(1 << 30, ms);
}

}  // namespace halvane::testing
