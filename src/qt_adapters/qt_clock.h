#pragma once

#include <QElapsedTimer>
#include <functional>
#include <memory>

#include "platform/clock.h"

namespace halvane::qt {

// The monotonic clock and its alarms on the Qt event loop. Each alarm is one single-shot
// wake-up at an absolute time; a disarmed alarm costs nothing, so an idle window sleeps.
class QtClock : public Clock {
  public:
    std::int64_t now_ns() const override;
    std::unique_ptr<Alarm> make_alarm(std::function<void()> fired) override;
};

// Made by make_alarm: on Linux a kernel timer (timerfd) watched by the event loop, which keeps
// the sub-millisecond precision the pacing needs; elsewhere a precise QTimer.
std::unique_ptr<Alarm> make_platform_alarm(std::function<void()> fired);

}  // namespace halvane::qt
