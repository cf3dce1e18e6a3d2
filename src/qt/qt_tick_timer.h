#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

#include "platform/tick_timer.h"

namespace halvane::qt {

// Timer1 on a kernel interval timer (timerfd) watched by the event loop. Qt's own timers
// round their waits and drift to some 900 firings a second at a 1 ms interval; the kernel
// timer keeps its phase, and expirations the loop could not take in time are delivered
// as ticks when it next looks, so a second of ticks lasts a second.
// As with the classic timer control, an interval of 0 keeps it from running.
class QtTickTimer : public TickTimer {
  public:
    QtTickTimer();
    ~QtTickTimer() override;
    QtTickTimer(const QtTickTimer&) = delete;
    QtTickTimer& operator=(const QtTickTimer&) = delete;

    void set_interval_ms(int interval) override;
    void set_enabled(bool enabled) override;

    bool running() const { return running_; }
    int interval_ms() const { return interval_; }

    std::function<void()> on_tick;

  private:
    void apply();
    void expired();

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    int interval_ = 0;
    bool enabled_ = false;
    bool running_ = false;
};

}  // namespace halvane::qt
