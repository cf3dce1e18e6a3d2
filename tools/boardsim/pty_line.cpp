#include "pty_line.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace boardsim {

std::optional<PtyLine> PtyLine::open(std::string& error) {
    int master = -1;
    int terminal = -1;
    char name[256] = {};
    termios settings{};
    cfmakeraw(&settings);
    // The rate the monitor talks at after a reset; a program on the PC sets the one it means,
    // and boardsim reads it from the master end (terminal_rate.h).
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    settings.c_cflag |= CLOCAL | CREAD;
    if (openpty(&master, &terminal, name, &settings, nullptr) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return std::nullopt;
    }
    const int flags = fcntl(master, F_GETFL);
    fcntl(master, F_SETFL, flags | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(terminal, F_SETFD, FD_CLOEXEC);
    return PtyLine(master, terminal, name);
}

PtyLine::PtyLine(int master, int terminal, std::string path)
    : master_(master), terminal_(terminal), path_(std::move(path)) {}

PtyLine::PtyLine(PtyLine&& other) noexcept
    : master_(std::exchange(other.master_, -1)),
      terminal_(std::exchange(other.terminal_, -1)),
      path_(std::move(other.path_)) {}

PtyLine::~PtyLine() {
    close();
}

void PtyLine::close() {
    if (terminal_ >= 0) ::close(std::exchange(terminal_, -1));
    if (master_ >= 0) ::close(std::exchange(master_, -1));
}

}  // namespace boardsim
