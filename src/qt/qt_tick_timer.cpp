#include "qt/qt_tick_timer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>

namespace halvane::qt {

namespace {
// A loop that was held up for longer than this gets no more ticks than this at once.
constexpr std::uint64_t kMostTicksAtOnce = 1000;
}  // namespace

QtTickTimer::QtTickTimer() : fd_(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {
    if (fd_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        notifier_->setEnabled(false);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { expired(); });
    }
}

QtTickTimer::~QtTickTimer() {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
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
    if (fd_ < 0) return;
    const bool run = enabled_ && interval_ > 0;
    itimerspec period{};
    if (run) {
        period.it_interval.tv_sec = interval_ / 1000;
        period.it_interval.tv_nsec = static_cast<long>(interval_ % 1000) * 1'000'000;
        period.it_value = period.it_interval;
    }
    // Re-arming an unchanged running timer would shift its phase; leave it alone.
    if (run && running_) {
        itimerspec current{};
        if (::timerfd_gettime(fd_, &current) == 0 &&
            current.it_interval.tv_sec == period.it_interval.tv_sec &&
            current.it_interval.tv_nsec == period.it_interval.tv_nsec)
            return;
    }
    ::timerfd_settime(fd_, 0, &period, nullptr);
    running_ = run;
    notifier_->setEnabled(run);
}

void QtTickTimer::expired() {
    std::uint64_t expirations = 0;
    if (::read(fd_, &expirations, sizeof expirations) != static_cast<ssize_t>(sizeof expirations))
        return;
    if (expirations > kMostTicksAtOnce) expirations = kMostTicksAtOnce;
    for (std::uint64_t i = 0; i < expirations && running_; ++i) {
        if (on_tick) on_tick();
    }
}

}  // namespace halvane::qt
