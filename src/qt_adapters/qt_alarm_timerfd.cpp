// Alarms on Linux: a timerfd armed at an absolute CLOCK_MONOTONIC time (the clock that
// std::chrono::steady_clock reads there), watched by a QSocketNotifier. Qt's own timers
// round their waits to milliseconds; this one fires within a few microseconds of its time.

#include <sys/timerfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>
#include <utility>

#include "qt_adapters/qt_clock.h"

namespace halvane::qt {

namespace {

class TimerfdAlarm : public Alarm {
  public:
    explicit TimerfdAlarm(std::function<void()> fired)
        : fd_(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)),
          fired_(std::move(fired)) {
        if (fd_ < 0) return;
        // Always watched: a disarmed timer never becomes readable, and switching the notifier on
        // and off for every character would cost more than the timer itself.
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { expired(); });
    }
    ~TimerfdAlarm() override {
        notifier_.reset();
        if (fd_ >= 0) ::close(fd_);
    }
    TimerfdAlarm(const TimerfdAlarm&) = delete;
    TimerfdAlarm& operator=(const TimerfdAlarm&) = delete;

    void arm_at(std::int64_t when_ns) override {
        if (fd_ < 0) return;
        // A time already past still fires (at once): zero would disarm the timer.
        if (when_ns <= 0) when_ns = 1;
        itimerspec at{};
        at.it_value.tv_sec = static_cast<time_t>(when_ns / 1'000'000'000);
        at.it_value.tv_nsec = static_cast<long>(when_ns % 1'000'000'000);
        ::timerfd_settime(fd_, TFD_TIMER_ABSTIME, &at, nullptr);
        armed_ = true;
    }
    void disarm() override {
        if (fd_ < 0 || !armed_) return;
        const itimerspec off{};
        ::timerfd_settime(fd_, 0, &off, nullptr);
        armed_ = false;
    }
    bool armed() const override { return armed_; }

  private:
    void expired() {
        std::uint64_t expirations = 0;
        if (::read(fd_, &expirations, sizeof expirations) !=
            static_cast<ssize_t>(sizeof expirations))
            return;
        armed_ = false;
        if (fired_) fired_();
    }

    int fd_;
    std::function<void()> fired_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool armed_ = false;
};

}  // namespace

std::unique_ptr<Alarm> make_platform_alarm(std::function<void()> fired) {
    return std::make_unique<TimerfdAlarm>(std::move(fired));
}

}  // namespace halvane::qt
