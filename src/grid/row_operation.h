#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "grid/watch_table.h"
#include "link/line_job.h"
#include "platform/clock.h"

namespace halvane {

// The cell operation of one grid row on the line: optionally a write of a new value, then a
// read of the byte or word.
struct RowRequest {
    int row = 0;
    VariableId variable = 0;  // what the row stood for when the operation was asked for
    std::uint16_t address = 0;
    bool word = false;  // high byte at `address`, low byte at the next address
    // Written first when set: its first two characters to `address` and, for a word, its last
    // two to the next address. Checked and upper-cased by the caller.
    std::optional<std::string> answer;
    // The live sweep's reads: they leave the receive log as it is and keep their replies out
    // of it.
    bool quiet = false;
};

struct RowResult {
    enum class Outcome { kOk, kTimedOut, kPortFailed, kCancelled };
    RowRequest request;
    Outcome outcome = Outcome::kOk;
    // kOk: the digits of each byte's reply, in the order read (high byte first).
    std::vector<std::string> replies;
    std::uint16_t failed_address = 0;  // kTimedOut: the address that did not answer in time
    std::string port_error;            // kPortFailed: what the serial layer said
};

// Sends each request one character per tick (every character at least one tick after the one
// before it, the last one too), then takes the reply from what the board sends: the value
// between "!" and "@". A read that has no reply one second after its last character's tick
// has timed out; the row's operation ends there.
class RowOperation : public LineJob {
  public:
    static constexpr std::int64_t kReplyTimeoutNs = 1000 * kTickNs;
    // The reply window keeps only its newest characters; a reply is four.
    static constexpr std::size_t kReplyWindowLimit = 4096;

    using Done = std::function<void(const RowResult&)>;
    RowOperation(RowRequest request, Done done);

    void start(Line& line) override;
    void woke(Line& line) override;
    void received(Line& line, std::string_view text) override;
    void stop(std::string_view port_error) override;
    void abandon() override { finished_ = true; }
    bool finished() const override { return finished_; }
    bool withholds_replies() const override { return result_.request.quiet; }
    std::string released_text() override { return std::move(released_); }

  private:
    struct Exchange {
        std::vector<std::string> characters;
        std::uint16_t address = 0;
        bool read = false;
    };
    enum class Phase { kSending, kAwaitingReply };

    void write_mem(const std::string& value, std::uint16_t address);
    void read_mem(std::uint16_t address);
    void begin_exchange(Line& line);
    void send_next(Line& line);
    void take_reply(Line& line);
    void release(std::string_view text);
    void finish(RowResult::Outcome outcome, std::string_view port_error = {});

    RowResult result_;
    Done done_;
    std::vector<Exchange> exchanges_;
    std::size_t exchange_ = 0;
    std::size_t next_char_ = 0;
    Phase phase_ = Phase::kSending;
    std::int64_t last_sent_ns_ = 0;
    std::int64_t reply_deadline_ns_ = 0;
    // What the board sent since the operation started (since the low byte's read, for a word).
    std::string reply_window_;
    // Received text before this position has been ruled out as a reply, or taken.
    std::size_t ruled_out_ = 0;
    // A quiet operation's received text without its replies, for the receive log.
    std::string released_;
    bool finished_ = false;
};

}  // namespace halvane
