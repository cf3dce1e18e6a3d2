// Systems without a low-latency request for serial drivers.
#include "qt_adapters/serial_low_latency.h"

namespace halvane::qt {

bool request_low_latency(int) {
    return false;
}

bool request_low_latency(int, const SerialIoctl&) {
    return false;
}

}  // namespace halvane::qt
