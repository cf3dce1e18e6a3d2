#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/line_job.h"
#include "platform/clock.h"

namespace halvane {

// Sends a request one character per tick, as the responder in the board's program can take it:
// every character at least one tick after the one before it, however late the job is woken, so a
// late wake-up never lets two go at once. A position that holds no character sends nothing but
// still takes its tick.
//
// The tick is 1 ms at 9600 baud (a character time there is just over it), and the line's
// character time once the line is faster (160 us at 62 500 baud): only the interrupt-driven
// responder agrees to a faster line, and it takes a character every character time.
class PacedRequest {
  public:
    // From the first position of `characters` on.
    void start(std::vector<std::string> characters);
    // Hands the next position's character to the line and has the job woken at the end of its
    // tick. False when the line refused it.
    bool send_next(Line& line);
    bool all_sent() const { return next_ == characters_.size(); }
    // The job woke while sending: true once the last character's tick has passed; until then the
    // job is woken again at its end.
    bool tick_over(Line& line) const;
    // The end of the last character's tick.
    std::int64_t tick_end_ns() const { return last_sent_ns_ + tick_ns_; }

  private:
    std::vector<std::string> characters_;
    std::size_t next_ = 0;
    std::int64_t last_sent_ns_ = 0;
    std::int64_t tick_ns_ = kTickNs;
};

// The time between two characters of a request on `line`: a tick, or the line's character time
// where that is shorter.
std::int64_t pacing_ns(const Line& line);

// The characters of `text`, one position each.
std::vector<std::string> request_positions(const std::string& text);

}  // namespace halvane
