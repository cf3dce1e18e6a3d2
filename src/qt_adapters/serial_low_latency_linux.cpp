#include <linux/serial.h>
#include <sys/ioctl.h>

#include "qt_adapters/serial_low_latency.h"

namespace halvane::qt {

bool request_low_latency(int fd) {
    return request_low_latency(fd, [](int device, unsigned long request, void* argument) {
        return ::ioctl(device, request, argument);
    });
}

bool request_low_latency(int fd, const SerialIoctl& ioctl) {
    serial_struct settings{};
    if (ioctl(fd, TIOCGSERIAL, &settings) != 0) return false;
    settings.flags |= ASYNC_LOW_LATENCY;
    return ioctl(fd, TIOCSSERIAL, &settings) == 0;
}

}  // namespace halvane::qt
