// The kernel's own termios2 (for TCGETS2), which the C library's <termios.h> must not meet.
#include <asm/termbits.h>
#include <poll.h>
#include <sys/ioctl.h>

#include "qt_adapters/serial_line_os.h"

namespace halvane::qt {

std::size_t kernel_output_queue(long long handle) {
    int queued = 0;
    if (::ioctl(static_cast<int>(handle), TIOCOUTQ, &queued) != 0 || queued < 0) return 0;
    return static_cast<std::size_t>(queued);
}

bool line_hung_up(long long handle) {
    // The kernel finishes hanging up a line shortly after the read that first saw its end.
    constexpr int kSettleMs = 50;
    pollfd probe{static_cast<int>(handle), POLLIN, 0};
    return ::poll(&probe, 1, kSettleMs) > 0 && (probe.revents & (POLLHUP | POLLERR)) != 0;
}

long line_rate(long long handle) {
    termios2 settings{};
    if (::ioctl(static_cast<int>(handle), TCGETS2, &settings) != 0) return 0;
    return static_cast<long>(settings.c_ospeed);
}

}  // namespace halvane::qt
