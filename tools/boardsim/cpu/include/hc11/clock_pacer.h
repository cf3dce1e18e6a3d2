// Turns wall-clock time into the E-clock cycles the board owes, so a host loop can run the
// simulated board at its real speed: call `cycles_due` every few milliseconds, run that many
// cycles, sleep. After a long pause (a debugger, a suspended laptop) only `max_catch_up` of
// time is made up, so the board never races to catch up.
#pragma once

#include <chrono>
#include <cstdint>

namespace hc11 {

class ClockPacer {
  public:
    using clock = std::chrono::steady_clock;

    explicit ClockPacer(std::uint32_t hz = 2'000'000,
                        clock::duration max_catch_up = std::chrono::milliseconds(100))
        : hz_(hz), max_catch_up_(max_catch_up) {}

    void start(clock::time_point now) { last_ = now; }

    std::uint64_t cycles_due(clock::time_point now) {
        clock::duration elapsed = now - last_;
        last_ = now;
        if (elapsed > max_catch_up_) elapsed = max_catch_up_;
        if (elapsed.count() < 0) return 0;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
        remainder_ns_hz_ += static_cast<std::uint64_t>(ns) * hz_;
        const std::uint64_t cycles = remainder_ns_hz_ / 1'000'000'000u;
        remainder_ns_hz_ %= 1'000'000'000u;
        return cycles;
    }

  private:
    std::uint32_t hz_;
    clock::duration max_catch_up_;
    clock::time_point last_{};
    std::uint64_t remainder_ns_hz_ = 0;
};

}  // namespace hc11
