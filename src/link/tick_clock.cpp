#include "app/main_window.h"

namespace halvane {

void Tamrin::Timer1_Timer() {
    ++timer_count_;
    ++ticks_handled_;
}

// Waits until `ticks` ticks have been handled since entry. The counter is shared: a
// delay started by a command that runs inside this wait restarts it, which can only
// make this wait longer.
Tamrin::Wait Tamrin::delay(std::int64_t ticks) {
    timer_count_ = 0;
    const std::int64_t target = ticks;
    while (timer_count_ < target) {
        if (closing_) return Wait::kAborted;
        p_.pump.wait_and_dispatch();
    }
    return closing_ ? Wait::kAborted : Wait::kDone;
}

}  // namespace halvane
