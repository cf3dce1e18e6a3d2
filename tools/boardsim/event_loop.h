#pragma once

#include <csignal>

#include "core/board.h"
#include "pty_line.h"

namespace boardsim {

// Set by signal handlers, read by the loop.
struct SignalFlags {
    volatile std::sig_atomic_t stop = 0;
    volatile std::sig_atomic_t reset = 0;
};

// Serves the board on the line until a stop signal or a hang-up. The signals that set the flags
// must be blocked by the caller; the loop unblocks them only while it sleeps, so none is missed.
// Returns the process exit status.
int serve(PtyLine& line, Board& board, SignalFlags& flags);

}  // namespace boardsim
