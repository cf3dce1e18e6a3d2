#include "qt_adapters/qt_clock.h"

#include <chrono>
#include <utility>

namespace halvane::qt {

std::int64_t QtClock::now_ns() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::unique_ptr<Alarm> QtClock::make_alarm(std::function<void()> fired) {
    return make_platform_alarm(std::move(fired));
}

}  // namespace halvane::qt
