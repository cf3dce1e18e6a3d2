#pragma once

#include <string>
#include <string_view>

#include "core/board.h"

namespace boardsim::testing {

// Drives a Board with a clock the test moves by hand, and collects what reaches the PC.
class BoardDriver {
  public:
    explicit BoardDriver(BoardConfig config = unpaced(), TrafficLog* log = nullptr);

    static BoardConfig unpaced() {
        BoardConfig config;
        config.baud = 0;
        return config;
    }

    // Sends text from the PC and returns what the board sent back by now.
    std::string send(std::string_view text);
    // Lets time pass and returns what the board sent meanwhile.
    std::string wait(Nanos duration);
    // Powers on, downloads a one-record program at 2400 and starts it; returns the dialogue.
    std::string start_program();

    Board& board() { return board_; }
    Nanos now() const { return now_; }

  private:
    std::string collect();

    Board board_;
    Nanos now_{0};
};

// A valid S1 record line for `data` at `address` (checksum computed).
std::string s1_record(unsigned address, std::string_view data_hex);

}  // namespace boardsim::testing
