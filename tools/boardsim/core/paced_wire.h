#pragma once

#include <cstdint>
#include <deque>
#include <optional>

#include "core/sim_time.h"

namespace boardsim {

// One direction of the serial line. Characters queue in order and each takes one character
// time (ten bit times for 8N1, at the rate its sender sent it) on the wire after the previous one
// has finished, so nothing is lost and the far end sees them at the rate a real line would
// deliver them. A rate of zero passes a character straight through.
class PacedWire {
  public:
    // 8N1: start bit, eight data bits, stop bit. Zero baud means no pacing.
    static Nanos char_time_for_baud(double baud);

    // `rate`: the bits per second the sender sends this character at.
    void push(std::uint8_t byte, Nanos at, double rate);
    // When the first queued character has finished crossing the wire.
    std::optional<Nanos> next_arrival() const;
    struct Arrival {
        std::uint8_t byte;
        Nanos at;
        double rate;  // as it was sent
    };
    // The first character and when it arrived, if it has arrived by `now`.
    std::optional<Arrival> pop_arrived(Nanos now);
    // Forgets the characters not yet on the wire; the one being sent still finishes.
    void drop_waiting(Nanos now);
    bool empty() const { return queue_.empty(); }
    std::size_t size() const { return queue_.size(); }

  private:
    struct InFlight {
        std::uint8_t byte;
        double rate;
        Nanos starts;
        Nanos arrives;
    };

    std::deque<InFlight> queue_;
    Nanos last_arrival_{0};
};

}  // namespace boardsim
