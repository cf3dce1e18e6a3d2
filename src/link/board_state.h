#pragma once

namespace halvane {

// What the board is doing, as far as the link knows.
enum class BoardState {
    kUnknown,    // not asked yet, or nothing answered the last check
    kAtMonitor,  // the monitor's prompt waits
    kRunning,    // a program runs (its responder answers, or it was just started)
    kStopped,    // the program returned to the monitor: its register line and prompt arrived
};

// Whether the monitor reads what is typed (at its prompt, whether a program stopped or not).
constexpr bool monitor_listens(BoardState state) {
    return state == BoardState::kAtMonitor || state == BoardState::kStopped;
}

// How the memory jobs reach the board's memory.
enum class ReadWay {
    kBytes,    // the program's responder, a byte a request
    kBlocks,   // the program's responder, block requests
    kMonitor,  // the monitor's md and mm
};

}  // namespace halvane
