// Apart from pty_line.cpp: the kernel's termios2 and glibc's <termios.h> cannot meet in one file.
#include "terminal_rate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace boardsim {

std::optional<std::uint32_t> read_terminal_rate(int fd) {
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) return std::nullopt;
    // The kernel keeps the number in c_ospeed whichever way the rate was set.
    return settings.c_ospeed;
}

}  // namespace boardsim
