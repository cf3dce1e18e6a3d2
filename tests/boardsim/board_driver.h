#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/board.h"

namespace boardsim::testing {

// How the monitor ends each line it prints: CR LF NUL.
inline const std::string kLineEnd("\r\n\0", 3);

// Drives a Board with a clock the test moves by hand, and collects what reaches the PC.
class BoardDriver {
  public:
    explicit BoardDriver(BoardConfig config = builtin_unpaced(), TrafficLog* log = nullptr,
                         std::ostream* trace = nullptr);

    // The built-in responder on a line without pacing: replies come at once.
    static BoardConfig builtin_unpaced() {
        BoardConfig config;
        config.paced = false;
        config.runner = ProgramRunner::kBuiltinResponder;
        return config;
    }
    // The processor on a paced line, or on one without pacing.
    static BoardConfig processor(bool paced = true) {
        BoardConfig config;
        config.paced = paced;
        config.runner = ProgramRunner::kProcessor;
        return config;
    }

    // Sends text from the PC and returns what the board sent back by now.
    std::string send(std::string_view text);
    // Lets time pass and returns what the board sent meanwhile.
    std::string wait(Nanos duration);
    // Lets time pass, adding what the board sends to `out`, until `out` holds `text` (or a
    // minute has passed).
    void wait_for(std::string& out, std::string_view text);
    // Moves the clock to `later` in one step, as after a stall of the host.
    std::string jump(Nanos later);
    // Powers on, downloads a one-record program at 2400 and starts it as a user at a terminal
    // would (CR after the banner, the go command after the load's prompt); returns the
    // dialogue up to the go command's echo.
    std::string start_program();
    // The same with the S-records in `records`; returns the dialogue up to the go command's
    // echo.
    std::string start(const std::string& records);

    Board& board() { return *board_; }
    Nanos now() const { return now_; }

  private:
    std::string collect();

    // Behind a pointer, so a driver can be moved: the board's parts refer to each other.
    std::unique_ptr<Board> board_;
    Nanos now_{0};
};

// A valid S1 record line for `data` at `address` (checksum computed).
std::string s1_record(unsigned address, std::string_view data_hex);

}  // namespace boardsim::testing
