#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/fault_options.h"
#include "core/request_parser.h"
#include "core/running_program.h"

namespace boardsim {

// Sits between the running program and the line and spoils its replies as the fault options
// say. It recognises a reply as the characters from a '!' to the next '@' in the program's
// output, and requests by watching the received characters, so it works the same whoever
// produces the replies. What happens to a reply is decided at its '!', and its characters
// pass (or vanish) one by one as the program sends them. Output that is not part of a reply
// passes unchanged, but never overtakes a reply that is being held back.
class FaultInjector : public SerialSink {
  public:
    using Note = std::function<void(std::string_view, Nanos)>;
    // How long the line stays open for the reply to the last request before --hangup-after
    // closes it anyway.
    static constexpr Nanos kHangupGrace = std::chrono::milliseconds(200);

    FaultInjector(const FaultOptions& options, SerialSink& line, Note note);

    // Output of the program.
    void transmit(std::uint8_t byte, Nanos at) override;
    // A character the program has received.
    void observe_received(std::uint8_t byte, Nanos at);
    // Releases held-back replies whose time has come.
    void run_until(Nanos now);
    std::optional<Nanos> next_wakeup() const;
    // A character leaving the board for the PC, whoever sent it (the monitor, the program, the
    // built-in responder), as it reaches the PC: every N-th has its lowest bit flipped
    // (--corrupt-every N).
    std::uint8_t on_the_wire(std::uint8_t byte, Nanos at);
    // True once the line should close: enough requests, and their replies sent.
    bool hangup_due() const;
    // Forgets replies in progress or held back (the board was reset).
    void reset();

  private:
    struct Held {
        std::vector<std::uint8_t> bytes;
        Nanos release;
    };

    void start_reply(Nanos at);
    void send(std::vector<std::uint8_t> bytes, Nanos release, Nanos at);
    std::vector<std::uint8_t> noise();

    FaultOptions options_;
    SerialSink& line_;
    Note note_;
    RequestParser requests_;
    std::uint64_t request_count_ = 0;
    std::uint64_t read_requests_ = 0;
    std::uint64_t reply_count_ = 0;
    std::uint64_t replies_ended_ = 0;
    std::uint64_t characters_sent_ = 0;
    bool hangup_requested_ = false;
    bool hangup_waited_ = false;
    Nanos hangup_deadline_{0};
    bool in_reply_ = false;
    bool swallowing_ = false;
    std::deque<Held> held_;
    std::minstd_rand random_{20240607};
};

}  // namespace boardsim
