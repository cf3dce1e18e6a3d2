#include "hc11/timer.h"

#include "hc11/registers.h"

namespace hc11 {

namespace {
constexpr unsigned prescale_shifts[4] = {0, 2, 3, 4};  // divide by 1, 4, 8, 16
constexpr std::uint64_t rti_base_period = 8192;        // E / 2^13
}  // namespace

void Timer::reset(std::uint64_t now) {
    *this = Timer{};
    reset_cycle_ = now;
    base_cycle_ = now;
    schedule_overflow(now);
    schedule_rti(now);
}

std::uint64_t Timer::count_at(std::uint64_t now) const {
    return base_count_ + ((now - base_cycle_) >> prescale_shift_);
}

std::uint16_t Timer::tcnt(std::uint64_t now) const {
    return static_cast<std::uint16_t>(count_at(now));
}

std::uint64_t Timer::rti_period() const {
    return rti_base_period << (pactl_ & timer_bits::RTR_MASK);
}

void Timer::schedule_overflow(std::uint64_t now) {
    const std::uint64_t next_wrap = (count_at(now) / 0x10000 + 1) * 0x10000;
    next_overflow_ = cycle_of_count(next_wrap);
}

void Timer::schedule_rti(std::uint64_t now) {
    const std::uint64_t period = rti_period();
    next_rti_ = reset_cycle_ + ((now - reset_cycle_) / period + 1) * period;
}

void Timer::write_tmsk2(std::uint8_t value, std::uint64_t now) {
    std::uint8_t prescaler = tmsk2_ & timer_bits::PR_MASK;
    if (window_open_ && now - reset_cycle_ < protected_window_cycles) {
        prescaler = value & timer_bits::PR_MASK;
        base_count_ = count_at(now);
        base_cycle_ = now;
        prescale_shift_ = prescale_shifts[prescaler];
        schedule_overflow(now);
    }
    tmsk2_ = static_cast<std::uint8_t>((value & 0xF0) | prescaler);
}

void Timer::write_tflg2(std::uint8_t value) {
    tflg2_ = static_cast<std::uint8_t>(tflg2_ & ~(value & 0xF0));
}

void Timer::write_pactl(std::uint8_t value, std::uint64_t now) {
    const bool rate_changed = ((pactl_ ^ value) & timer_bits::RTR_MASK) != 0;
    pactl_ = value;
    if (rate_changed) schedule_rti(now);
}

void Timer::advance(std::uint64_t now) {
    if (now >= next_overflow_) {
        tflg2_ |= timer_bits::TOF;
        schedule_overflow(now);
    }
    if (now >= next_rti_) {
        tflg2_ |= timer_bits::RTIF;
        schedule_rti(now);
    }
}

}  // namespace hc11
