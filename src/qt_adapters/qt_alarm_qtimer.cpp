// Alarms where no kernel timer is at hand: a precise single-shot QTimer. Qt rounds its waits
// to milliseconds, so the board link checks the clock itself when the alarm fires.

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <utility>

#include "qt_adapters/qt_clock.h"

namespace halvane::qt {

namespace {

class QTimerAlarm : public Alarm {
  public:
    explicit QTimerAlarm(std::function<void()> fired) : fired_(std::move(fired)) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (fired_) fired_();
        });
    }
    void arm_at(std::int64_t when_ns) override {
        const std::int64_t now = QtClock().now_ns();
        const std::int64_t wait_ns = std::max<std::int64_t>(0, when_ns - now);
        // Rounded up, so it never fires before its time.
        timer_.start(static_cast<int>((wait_ns + 999'999) / 1'000'000));
    }
    void disarm() override { timer_.stop(); }
    bool armed() const override { return timer_.isActive(); }

  private:
    QTimer timer_;
    std::function<void()> fired_;
};

}  // namespace

std::unique_ptr<Alarm> make_platform_alarm(std::function<void()> fired) {
    return std::make_unique<QTimerAlarm>(std::move(fired));
}

}  // namespace halvane::qt
