#pragma once

#include <optional>
#include <string_view>

#include "core/request_parser.h"
#include "core/running_program.h"
#include "hc11/board.h"

namespace boardsim {

// Stands in for a downloaded program that contains the memory responder: it answers read
// requests with "!HH@" and block reads with their bytes and check, taken from memory when the
// request's last character arrives, and stores the bytes of write requests, answering nothing. It
// reads and writes the board's memory as the monitor does, without a read's side effects. With
// a counter address it also makes the 16-bit word there (high byte first) count up ten times a
// second, so a watched program visibly runs. A character received with a framing error spoils the
// request it belongs to. What it sends goes to the SerialSink it was created with, which passes it
// on at the rate the SCI's BAUD register sets.
class BuiltinResponder : public RunningProgram {
  public:
    static constexpr Nanos kCountPeriod = std::chrono::milliseconds(100);

    BuiltinResponder(hc11::Board& memory, SerialSink& out,
                     std::optional<std::uint16_t> counter_address, Nanos started_at);

    void receive(std::uint8_t byte, bool framing_error, Nanos at) override;
    void run_until(Nanos now) override;
    std::optional<Nanos> next_wakeup() const override;

  private:
    void send(std::string_view reply, Nanos at);
    void add_to_counter(std::uint64_t steps);

    hc11::Board& memory_;
    SerialSink& out_;
    RequestParser parser_;
    std::optional<std::uint16_t> counter_address_;
    Nanos next_count_;
};

}  // namespace boardsim
