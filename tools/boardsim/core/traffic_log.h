#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "core/sim_time.h"

namespace boardsim {

// Writes the serial traffic as readable text, for people debugging their own responder:
//
//      0.412345  PC->board  "*2402"                   2A 32 34 30 32
//      0.417553  board->PC  "!00@"                    21 30 30 40
//      0.517000  ---------  monitor: go 2400, program started
//
// Characters that follow each other on the wire in one direction without a pause share a line
// (at most 16; a line end ends the group and a '*' from the PC starts one), so an echo does not
// chop up what the PC sent. The time is that of the group's first character, in seconds since the
// board started; the following characters came one character time apart. Control characters are
// written as \r, \n or \xHH.
class TrafficLog {
  public:
    enum class Direction { kReceived, kSent };

    // `gap` is the pause that ends a group: a little more than one character time.
    TrafficLog(std::ostream& out, Nanos gap) : out_(out), gap_(gap) {}
    ~TrafficLog() { flush(); }

    void byte(Direction direction, std::uint8_t value, Nanos at);
    void note(std::string_view text, Nanos at);
    // Writes a pending group once it can no longer grow.
    void flush_if_idle(Nanos now);
    std::optional<Nanos> idle_deadline() const;
    void flush();

    static std::string format_group(Direction direction, std::string_view bytes, Nanos at);
    static std::string format_note(std::string_view text, Nanos at);

  private:
    struct Group {
        std::string bytes;
        Nanos start{0};
        Nanos last{0};
    };

    Group& group(Direction direction) { return groups_[direction == Direction::kSent]; }
    void write(Direction direction);

    std::ostream& out_;
    Nanos gap_;
    Group groups_[2];  // received, sent
};

}  // namespace boardsim
