#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hc11/board.h"

namespace boardsim {

// The board's processor handing control to the monitor, and the monitor's trace.

// Where the processor enters the monitor: its P in the monitor ROM, or at a jump-table slot whose
// JMP still leads there (an interrupt or SWI the program has no handler of its own for).
// nullopt while the processor is in the program.
std::optional<std::uint16_t> monitor_entry(const hc11::Board& processor);

// The monitor takes over at `entry`. The program's registers, which SWI or an interrupt stacked,
// become the processor's again, with P at the SWI itself (a breakpoint, or the program's own),
// or where the program was. Returns why the program stopped, empty for an SWI.
std::string take_over(hc11::Board& processor, std::uint16_t entry);

struct TraceStep {
    std::vector<std::uint8_t> instruction;  // the bytes executed; empty when the step executed none
    std::optional<std::uint16_t> entry;     // the step ended in the monitor
    bool halted = false;                    // STOP: the clocks stand still
};

// One instruction at P, executed at once, as the monitor's trace does; an interrupt that is due
// is entered first.
TraceStep trace_step(hc11::Board& processor);

}  // namespace boardsim
