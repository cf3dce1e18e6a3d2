#pragma once

#include <cstdint>
#include <optional>

#include "core/sim_time.h"

namespace boardsim {

// Where a running program's serial output goes.
class SerialSink {
  public:
    virtual ~SerialSink() = default;
    virtual void transmit(std::uint8_t byte, Nanos at) = 0;
};

// A program that gave control back to the monitor.
struct ProgramExit {
    enum class Reason {
        kMonitorEntry,  // it entered the monitor (SWI, an interrupt without a handler, ...)
        kReachedStop,   // its P reached the address the monitor traced to
    };
    Reason reason = Reason::kMonitorEntry;
    std::uint16_t address = 0;  // the entry into the monitor, or the address reached
    Nanos at{0};
};

// The program the monitor lets run. The board hands it every character that arrives on the
// serial line while it runs and lets time pass for it; what it sends leaves through the board's
// SCI. The built-in responder is one such program; the board's processor executing
// the downloaded code is another.
class RunningProgram {
  public:
    virtual ~RunningProgram() = default;

    // A character has been received completely at time `at`; with a framing error when the PC
    // sent it at another rate than the SCI's (the byte is then not what the PC sent).
    virtual void receive(std::uint8_t byte, bool framing_error, Nanos at) = 0;
    // Lets the program run up to `now`.
    virtual void run_until(Nanos now) = 0;
    // When the program next needs run_until() even if no character arrives.
    virtual std::optional<Nanos> next_wakeup() const = 0;
    // Set once the program has returned to the monitor; the monitor then takes over the line.
    virtual std::optional<ProgramExit> finished() const { return std::nullopt; }
};

}  // namespace boardsim
