#include "qt_adapters/serial_line_os.h"

namespace halvane::qt {

std::size_t kernel_output_queue(long long /*handle*/) {
    return 0;
}

bool line_hung_up(long long /*handle*/) {
    return false;
}

long line_rate(long long /*handle*/) {
    return 0;
}

}  // namespace halvane::qt
