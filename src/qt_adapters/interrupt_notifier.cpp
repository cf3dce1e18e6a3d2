#include "qt_adapters/interrupt_notifier.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace halvane::qt {

namespace {

// The pipe's write end, for the handler; -1 while no notifier is armed.
volatile sig_atomic_t g_write_fd = -1;

extern "C" void on_interrupt(int /*signal*/) {
    const int saved = errno;
    const int fd = g_write_fd;
    if (fd >= 0) {
        const char byte = 1;
        // A full pipe already holds an interrupt that has not been handled.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

void set_disposition(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace

InterruptNotifier::InterruptNotifier(std::function<void()> interrupted)
    : interrupted_(std::move(interrupted)) {
    int fds[2];
    if (g_write_fd >= 0 || ::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return;
    read_fd_ = fds[0];
    g_write_fd = fds[1];
    notifier_ = std::make_unique<QSocketNotifier>(read_fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { pipe_readable(); });
    set_disposition(&on_interrupt);
}

InterruptNotifier::~InterruptNotifier() {
    if (!notifier_) return;
    set_disposition(SIG_DFL);
    notifier_.reset();
    const int write_fd = g_write_fd;
    g_write_fd = -1;
    ::close(write_fd);
    ::close(read_fd_);
}

void InterruptNotifier::pipe_readable() {
    char bytes[16];
    while (::read(read_fd_, bytes, sizeof bytes) > 0) {
    }
    set_disposition(SIG_DFL);
    if (interrupted_) interrupted_();
}

}  // namespace halvane::qt
