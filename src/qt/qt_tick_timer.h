#pragma once

#include <QTimer>
#include <functional>

#include "platform/tick_timer.h"

namespace halvane::qt {

// Timer1 on a precise QTimer: each timeout is one tick. As with the classic timer
// control, an interval of 0 keeps it from running even when enabled (a zero-interval
// QTimer would fire on every pass of the event loop).
class QtTickTimer : public TickTimer {
  public:
    QtTickTimer();

    void set_interval_ms(int interval) override;
    void set_enabled(bool enabled) override;

    bool running() const { return timer_.isActive(); }
    int interval_ms() const { return interval_; }

    std::function<void()> on_tick;

  private:
    void apply();

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
};

}  // namespace halvane::qt
