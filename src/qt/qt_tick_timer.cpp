#include "qt/qt_tick_timer.h"

namespace halvane::qt {

QtTickTimer::QtTickTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (on_tick) on_tick();
    });
}

void QtTickTimer::set_interval_ms(int interval) {
    interval_ = interval < 0 ? 0 : interval;
    apply();
}

void QtTickTimer::set_enabled(bool enabled) {
    enabled_ = enabled;
    apply();
}

void QtTickTimer::apply() {
    if (!enabled_ || interval_ == 0) {
        timer_.stop();
        return;
    }
    if (timer_.isActive() && timer_.interval() == interval_) return;
    timer_.start(interval_);
}

}  // namespace halvane::qt
