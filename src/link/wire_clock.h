#pragma once

#include <cstddef>
#include <cstdint>

namespace halvane {

// The time one character takes on a line at `baud`: 8N1 is ten bits. 0 for no rate.
constexpr std::int64_t character_time_ns(long baud) {
    return baud > 0 ? 10'000'000'000 / baud : 0;
}

// Models when characters handed to the serial driver have really left on the line.
//
// The kernel reports its output queue for real UARTs, but a pseudo-terminal (the simulated
// board) accepts some 20 KiB at once and reports nothing queued, and a UART's hardware
// FIFO is not counted either. The line itself can carry no more than one character per
// character time, so the characters written but not yet carried by a line running flat
// out are still waiting somewhere on the way.
class WireClock {
  public:
    explicit WireClock(long baud) : char_ns_(character_time_ns(baud)) {}

    // The line changed its rate: what is written from now on takes the new character time.
    void set_rate(long baud) { char_ns_ = character_time_ns(baud); }

    // `count` characters handed over at `now_ns` (any monotonic clock, in nanoseconds).
    void written(std::size_t count, std::int64_t now_ns) {
        if (line_free_ns_ < now_ns) line_free_ns_ = now_ns;
        line_free_ns_ += static_cast<std::int64_t>(count) * char_ns_;
    }

    // Characters the line cannot have carried yet at `now_ns`.
    std::size_t pending(std::int64_t now_ns) const {
        if (char_ns_ == 0 || line_free_ns_ <= now_ns) return 0;
        return static_cast<std::size_t>((line_free_ns_ - now_ns + char_ns_ - 1) / char_ns_);
    }

    void reset() { line_free_ns_ = 0; }

  private:
    std::int64_t char_ns_;
    std::int64_t line_free_ns_ = 0;
};

}  // namespace halvane
