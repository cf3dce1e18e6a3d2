// The timer's five output compares and port A, the pins they drive.
//
// TOC1-TOC4 and TI4O5 (output compare 5 while PACTL's I4/O5 is clear) are compared with the
// free-running count: when the count reaches a register's value, its flag in TFLG1 sets (cleared
// by writing a one), its interrupt is requested when TMSK1 enables it, and its pin action
// happens. OC2-OC5 act on PA6-PA3 as TCTL1 says (toggle, clear or set); OC1 drives every pin of
// PA7-PA3 that OC1M selects to the level OC1D gives it, and wins when it acts on a pin at the same
// moment as another compare. CFORC forces the pin actions at once without setting flags. PORTA
// reads the pins; a program's write drives only the pins no output compare controls.
//
// The cycle of every compare is worked out from the timer, so nothing runs between compares, and
// a pin changes at exactly its compare's cycle, whenever the board gets round to `advance`.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>

#include "hc11/timer.h"

namespace hc11 {

class OutputCompares {
  public:
    static constexpr std::uint64_t never = std::numeric_limits<std::uint64_t>::max();
    static constexpr int count = 5;  // OC1 ... OC5
    // TFLG1 and TMSK1's bits of the output compares, OC1F (bit 7) down to I4/O5F (bit 3).
    static constexpr std::uint8_t flag_bits = 0xF8;

    // Called with the cycle at which port A's pins changed and their new levels.
    using PinObserver = std::function<void(std::uint64_t cycle, std::uint8_t port_a)>;

    void reset(const Timer& timer, std::uint64_t now);
    void set_pin_observer(PinObserver observer) { on_pins_ = std::move(observer); }

    // Register access (offsets within the register block): PORTA, CFORC, OC1M, OC1D, TOC1-TI4O5,
    // TCTL1, TMSK1 and TFLG1.
    std::uint8_t read(std::uint8_t offset) const;
    void write(std::uint8_t offset, std::uint8_t value, const Timer& timer, std::uint64_t now);

    // PACTL's I4/O5: whether TI4O5 is output compare 5.
    void set_oc5_enabled(bool enabled, const Timer& timer, std::uint64_t now);
    // The timer's count runs at another rate from `now` on (its prescaler changed).
    void reschedule(const Timer& timer, std::uint64_t now);

    // Performs every compare whose cycle has come, in the order they happened.
    void advance(const Timer& timer, std::uint64_t now);
    std::uint64_t next_event() const { return next_event_; }
    // The next compare whose interrupt TMSK1 enables.
    std::uint64_t next_interrupt_event() const;

    // The output compares whose interrupt is requested (TFLG1 & TMSK1), OC1 in bit 7.
    std::uint8_t interrupts() const { return tflg1_ & tmsk1_ & flag_bits; }
    std::uint8_t port_a() const { return pins_; }

  private:
    void schedule(int index, const Timer& timer, std::uint64_t now);
    void act(std::uint8_t compares, std::uint64_t at);  // the pin actions of those compares
    std::uint8_t controlled_pins() const;
    void find_next_event();

    std::array<std::uint16_t, count> toc_{};
    std::array<std::uint64_t, count> next_count_{};  // the timer count of each next compare
    std::array<std::uint64_t, count> next_cycle_{};  // and its cycle, `never` when off
    std::uint64_t next_event_ = never;               // the earliest of them
    bool oc5_enabled_ = true;
    std::uint8_t tctl1_ = 0;
    std::uint8_t tmsk1_ = 0;
    std::uint8_t tflg1_ = 0;
    std::uint8_t oc1m_ = 0;
    std::uint8_t oc1d_ = 0;
    std::uint8_t pins_ = 0;  // PA7-PA3 as driven; PA2-PA0 are inputs, read low
    PinObserver on_pins_;
};

}  // namespace hc11
