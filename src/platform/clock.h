#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace halvane {

// A one-shot wake-up at a time of the monotonic clock. Arming it again moves it; nothing
// fires while it is disarmed, so an idle window is never woken.
class Alarm {
  public:
    virtual ~Alarm() = default;
    virtual void arm_at(std::int64_t when_ns) = 0;
    virtual void disarm() = 0;
    virtual bool armed() const = 0;
};

// The only time source of the logic: a monotonic clock in nanoseconds and alarms on it.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::int64_t now_ns() const = 0;
    // An alarm that calls `fired` on the UI thread once its time has come.
    virtual std::unique_ptr<Alarm> make_alarm(std::function<void()> fired) = 0;
};

inline constexpr std::int64_t kNanosPerMilli = 1'000'000;
// The unit of pacing on the line: one tick, 1 ms.
inline constexpr std::int64_t kTickNs = kNanosPerMilli;

}  // namespace halvane
