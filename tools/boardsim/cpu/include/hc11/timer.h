// The free-running timer (TCNT with its prescaler, the overflow flag TOF) and the real-time
// interrupt (RTIF at the rate of PACTL's RTR bits). Counts are derived from the E-clock cycle
// count when they are needed, so the timer costs nothing between events.
#pragma once

#include <cstdint>
#include <limits>

namespace hc11 {

class Timer {
  public:
    static constexpr std::uint64_t never = std::numeric_limits<std::uint64_t>::max();
    // TMSK2's prescaler bits are writable only this long after reset, as on the chip.
    static constexpr std::uint64_t protected_window_cycles = 64;

    void reset(std::uint64_t now);

    std::uint16_t tcnt(std::uint64_t now) const;
    std::uint8_t tmsk2() const { return tmsk2_; }
    std::uint8_t tflg2() const { return tflg2_; }
    std::uint8_t pactl() const { return pactl_; }

    void close_protected_window() { window_open_ = false; }
    void write_tmsk2(std::uint8_t value, std::uint64_t now);
    void write_tflg2(std::uint8_t value);  // writing a one clears that flag
    void write_pactl(std::uint8_t value, std::uint64_t now);

    // Sets the flags whose moment has come; next_event() tells when to call again.
    void advance(std::uint64_t now);
    std::uint64_t next_event() const {
        return next_overflow_ < next_rti_ ? next_overflow_ : next_rti_;
    }

    // The next overflow or real-time tick whose interrupt TMSK2 enables.
    std::uint64_t next_interrupt_event() const {
        const std::uint64_t overflow = (tmsk2_ & 0x80) ? next_overflow_ : never;
        const std::uint64_t rti = (tmsk2_ & 0x40) ? next_rti_ : never;
        return overflow < rti ? overflow : rti;
    }

    bool overflow_interrupt() const { return (tflg2_ & tmsk2_ & 0x80) != 0; }
    bool real_time_interrupt() const { return (tflg2_ & tmsk2_ & 0x40) != 0; }

    std::uint64_t prescale() const { return std::uint64_t{1} << prescale_shift_; }
    std::uint64_t rti_period() const;

    // Counts since reset, not wrapped (TCNT is its low 16 bits), and the cycle at which the
    // count reaches `count` (not before the prescaler's last change).
    std::uint64_t count_at(std::uint64_t now) const;
    std::uint64_t cycle_of_count(std::uint64_t count) const {
        return base_cycle_ + ((count - base_count_) << prescale_shift_);
    }

  private:
    void schedule_overflow(std::uint64_t now);
    void schedule_rti(std::uint64_t now);

    std::uint64_t reset_cycle_ = 0;
    std::uint64_t base_cycle_ = 0;  // when the prescaler last changed
    std::uint64_t base_count_ = 0;  // the count at that moment
    unsigned prescale_shift_ = 0;   // 1, 4, 8 or 16 E cycles per count
    bool window_open_ = true;
    std::uint8_t tmsk2_ = 0;
    std::uint8_t tflg2_ = 0;
    std::uint8_t pactl_ = 0;
    std::uint64_t next_overflow_ = never;
    std::uint64_t next_rti_ = never;
};

}  // namespace hc11
