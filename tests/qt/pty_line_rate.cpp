// Kept apart from pty_pair.cpp: the kernel's termios2 and the C library's <termios.h> cannot
// meet in one file.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "pty_pair.h"

namespace halvane::testing {

long PtyPair::line_rate() const {
    termios2 settings{};
    if (::ioctl(master_, TCGETS2, &settings) != 0) return 0;
    return static_cast<long>(settings.c_ospeed);
}

}  // namespace halvane::testing
