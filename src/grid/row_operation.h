#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "grid/watch_table.h"
#include "link/line_job.h"
#include "link/paced_request.h"
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
    // kTimedOut: the block read of the row was answered twice, but neither reply passed its
    // check (wrong length, a character that is no hexadecimal digit, a wrong check).
    bool check_failed = false;
    std::string port_error;  // kPortFailed: what the serial layer said
};

// A row an operation reads or writes, the replies gathered for it so far, and whether the
// operation has told of it.
struct RowInFlight {
    RowRequest request;
    std::vector<std::string> replies;
    bool reported = false;

    // Marks the row told and gives what the operation tells of it (its replies only when it
    // ended well).
    RowResult report(RowResult::Outcome outcome, std::uint16_t failed_address, bool check_failed,
                     std::string_view port_error);
};

// The bytes a block read covers.
struct BlockSpan {
    std::uint16_t address = 0;
    std::size_t count = 0;  // 1 to 32
};

// Reads (and, for a user's write, first writes) grid rows on the line. Each request goes one
// character per tick (every character at least one tick after the one before it, the last one
// too); the reply is the value between "!" and "@". A read that has no reply one second after its
// last character's tick has timed out.
//
// With block reads the rows' bytes are read in one block request, so a word is never torn: a
// block that fails as a whole (no reply, or a reply that fails its check) is sent once more, and
// if it fails again, every row of it fails. Without them each byte is read on its own, as the
// byte protocol reads, and a row without reply ends there (the operation goes on with its
// other rows).
class RowOperation : public LineJob {
  public:
    static constexpr std::int64_t kReplyTimeoutNs = 1000 * kTickNs;
    // The reply window keeps only its newest characters; a block reply is at most 70.
    static constexpr std::size_t kReplyWindowLimit = 4096;
    static constexpr int kBlockAttempts = 2;

    // Told once for every row, in order.
    using Done = std::function<void(const RowResult&)>;
    // One row.
    RowOperation(RowRequest request, Done done);
    // Rows read together in the block `block` (Get All, the sweep); without block reads by the
    // time the operation starts, they are read byte by byte.
    RowOperation(std::vector<RowRequest> rows, BlockSpan block, Done done);

    void start(Line& line) override;
    void woke(Line& line) override;
    void received(Line& line, std::string_view text) override;
    void stop(std::string_view port_error) override;
    void abandon() override { finished_ = true; }
    bool finished() const override { return finished_; }
    bool withholds_replies() const override { return rows_.front().request.quiet; }
    std::string released_text() override { return std::move(released_); }

  private:
    struct Exchange {
        enum class Kind { kWrite, kByteRead, kBlockRead };
        Kind kind = Kind::kWrite;
        std::vector<std::string> characters;
        std::uint16_t address = 0;
        std::size_t row = 0;  // a byte read's row (an index into rows_)
    };
    using Row = RowInFlight;
    enum class Phase { kSending, kAwaitingReply };

    // Replaces the exchanges from `from` on with the reads of the rows not yet told.
    void plan_reads(Line& line, std::size_t from);
    void begin_exchange(Line& line);
    void next_exchange(Line& line);
    void send_next(Line& line);
    void take_reply(Line& line);
    void take_byte_reply(Line& line, const std::string& value);
    void take_block_reply(Line& line, const std::string& value);
    void block_failed(Line& line, bool timed_out);
    void timed_out(Line& line);
    void report(Row& row, RowResult::Outcome outcome, std::uint16_t failed_address = 0,
                bool check_failed = false, std::string_view port_error = {});
    void report_rest(RowResult::Outcome outcome, std::string_view port_error);
    void release(std::string_view text);
    void finish();

    std::vector<Row> rows_;
    BlockSpan block_;
    Done done_;
    std::vector<Exchange> exchanges_;
    std::size_t exchange_ = 0;
    PacedRequest request_;  // the exchange's request
    Phase phase_ = Phase::kSending;
    int block_attempts_ = 0;
    std::int64_t reply_deadline_ns_ = 0;
    // What the board sent since the exchange started.
    std::string reply_window_;
    // Received text before this position has been ruled out as a reply, or taken.
    std::size_t ruled_out_ = 0;
    // A quiet operation's received text without its replies, for the receive log.
    std::string released_;
    bool finished_ = false;
};

}  // namespace halvane
