#include "grid/row_operation.h"

#include <algorithm>
#include <utility>

#include "grid/grid_rules.h"
#include "link/wire_protocol.h"
#include "text/hex_digits.h"

namespace halvane {

namespace {
std::string address_text(std::uint16_t address) {
    return hex_text(address, wire::kAddressDigits);
}

std::size_t width(const RowRequest& request) {
    return request.word ? 2 : 1;
}
}  // namespace

RowOperation::RowOperation(RowRequest request, Done done)
    : RowOperation(std::vector<RowRequest>{request}, BlockSpan{request.address, width(request)},
                   std::move(done)) {}

RowOperation::RowOperation(std::vector<RowRequest> rows, BlockSpan block, Done done)
    : block_(block), done_(std::move(done)) {
    for (RowRequest& request : rows) rows_.push_back({std::move(request), {}, false});
    // Only a user's cell operation, always a row of its own, writes.
    const RowRequest& first = rows_.front().request;
    if (first.answer) {
        const auto write = [this](const std::string& value, std::uint16_t address) {
            exchanges_.push_back({Exchange::Kind::kWrite,
                                  wire::write_request(value, address_text(address)), address, 0});
        };
        write(first_two(*first.answer), first.address);
        if (first.word)
            write(last_two(*first.answer), static_cast<std::uint16_t>(first.address + 1));
    }
}

// The reads are planned when the operation starts (and again for a block's second attempt),
// with the way of reading the link uses then.
void RowOperation::plan_reads(Line& line, std::size_t from) {
    exchanges_.erase(exchanges_.begin() + static_cast<std::ptrdiff_t>(from), exchanges_.end());
    if (line.block_reads()) {
        exchanges_.push_back(
            {Exchange::Kind::kBlockRead,
             request_positions(wire::block_request_text(block_.address, block_.count)),
             block_.address, 0});
        return;
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].reported) continue;
        const RowRequest& request = rows_[i].request;
        for (std::size_t byte = 0; byte < width(request); ++byte) {
            const auto address = static_cast<std::uint16_t>(request.address + byte);
            exchanges_.push_back(
                {Exchange::Kind::kByteRead, wire::read_request(address_text(address)), address, i});
        }
    }
}

void RowOperation::start(Line& line) {
    // A cell operation the user sees starts with an empty receive log.
    if (!rows_.front().request.quiet) line.clear_received();
    plan_reads(line, exchanges_.size());
    begin_exchange(line);
}

void RowOperation::begin_exchange(Line& line) {
    request_.start(exchanges_[exchange_].characters);
    phase_ = Phase::kSending;
    send_next(line);
}

// The next exchange, or the end when every row has been told.
void RowOperation::next_exchange(Line& line) {
    // What came after a taken reply is no part of the next one.
    release(std::string_view(reply_window_).substr(std::min(ruled_out_, reply_window_.size())));
    reply_window_.clear();
    ruled_out_ = 0;
    while (++exchange_ < exchanges_.size()) {
        const Exchange& next = exchanges_[exchange_];
        if (next.kind != Exchange::Kind::kByteRead || !rows_[next.row].reported) break;
    }
    if (exchange_ >= exchanges_.size()) {
        finish();
        return;
    }
    if (!rows_.front().request.quiet && exchanges_[exchange_ - 1].kind != Exchange::Kind::kWrite)
        line.clear_received();
    begin_exchange(line);
}

void RowOperation::send_next(Line& line) {
    if (!request_.send_next(line)) {
        report_rest(RowResult::Outcome::kPortFailed, {});
        finish();
        return;
    }
    if (exchanges_[exchange_].kind != Exchange::Kind::kWrite && request_.all_sent()) {
        // The last character of a read: from its tick on, the reply is looked for; until then
        // only the time-out needs the alarm (a reply before the tick is taken when it ends).
        phase_ = Phase::kAwaitingReply;
        reply_deadline_ns_ = request_.tick_end_ns() + kReplyTimeoutNs;
        line.wake_at(reply_deadline_ns_);
    }
}

void RowOperation::woke(Line& line) {
    if (finished_) return;
    const std::int64_t now = line.now_ns();
    if (phase_ == Phase::kAwaitingReply) {
        if (now >= reply_deadline_ns_) {
            timed_out(line);
            return;
        }
        // Woken at the end of the last character's tick with a reply already in.
        take_reply(line);
        if (!finished_ && phase_ == Phase::kAwaitingReply) line.wake_at(reply_deadline_ns_);
        return;
    }
    if (!request_.tick_over(line)) return;
    if (!request_.all_sent()) {
        send_next(line);
        return;
    }
    // Every character of a write has had its tick (a read waits for its reply instead).
    next_exchange(line);
}

void RowOperation::received(Line& line, std::string_view text) {
    if (finished_) return;
    reply_window_ += text;
    if (reply_window_.size() > kReplyWindowLimit) {
        const std::size_t cut = reply_window_.size() - kReplyWindowLimit;
        // What was ruled out has been released already; the rest can no longer be a reply.
        if (cut > ruled_out_)
            release(std::string_view(reply_window_).substr(ruled_out_, cut - ruled_out_));
        reply_window_.erase(0, cut);
        ruled_out_ = ruled_out_ > cut ? ruled_out_ - cut : 0;
    }
    if (phase_ == Phase::kAwaitingReply) take_reply(line);
}

void RowOperation::take_reply(Line& line) {
    // Nothing is taken before the last character's tick has passed.
    if (line.now_ns() < request_.tick_end_ns()) {
        if (wire::reply_value(
                std::string_view(reply_window_).substr(std::min(ruled_out_, reply_window_.size()))))
            line.wake_at(request_.tick_end_ns());
        return;
    }
    for (;;) {
        const std::string_view unread =
            std::string_view(reply_window_).substr(std::min(ruled_out_, reply_window_.size()));
        const std::optional<std::string> value = wire::reply_value(unread);
        if (!value) return;
        const std::size_t end = unread.find(wire::kReplyEnd);
        const bool block = exchanges_[exchange_].kind == Exchange::Kind::kBlockRead;
        if (!block && !all_hex_digits(*value)) {
            // Line noise cut off by a stray "@", not an answer: the real reply is still to
            // come. Taking the noise would also leave that reply for the next read, which
            // would put this address's value into the next row.
            release(unread.substr(0, end + 1));
            ruled_out_ += end + 1;
            continue;
        }
        // The reply itself, from its "!" to its "@", is what a quiet operation keeps.
        const std::size_t start = unread.rfind(wire::kReplyStart, end);
        release(unread.substr(0, start == std::string_view::npos ? 0 : start));
        ruled_out_ += end + 1;
        if (block) {
            take_block_reply(line, *value);
        } else {
            take_byte_reply(line, *value);
        }
        return;
    }
}

void RowOperation::take_byte_reply(Line& line, const std::string& value) {
    Row& row = rows_[exchanges_[exchange_].row];
    row.replies.push_back(value);
    if (row.replies.size() == width(row.request)) report(row, RowResult::Outcome::kOk);
    next_exchange(line);
}

void RowOperation::take_block_reply(Line& line, const std::string& value) {
    const wire::BlockReply reply = wire::parse_block_reply(value, block_.address, block_.count);
    const bool right = reply.problem == wire::BlockReply::Problem::kNone;
    line.block_read_ended(right ? Line::BlockReadEnd::kAnswered : Line::BlockReadEnd::kRefused);
    if (!right) {
        block_failed(line, false);
        return;
    }
    // Each row shows its bytes' digits as the reply gave them.
    for (Row& row : rows_) {
        const std::size_t offset = static_cast<std::uint16_t>(row.request.address - block_.address);
        for (std::size_t byte = 0; byte < width(row.request); ++byte)
            row.replies.push_back(value.substr(2 * (offset + byte), 2));
        report(row, RowResult::Outcome::kOk);
    }
    next_exchange(line);
}

void RowOperation::timed_out(Line& line) {
    const Exchange& exchange = exchanges_[exchange_];
    if (exchange.kind == Exchange::Kind::kBlockRead) {
        line.block_read_ended(Line::BlockReadEnd::kTimedOut);
        block_failed(line, true);
        return;
    }
    // A word's low byte is not asked for once its high byte got no reply.
    report(rows_[exchange.row], RowResult::Outcome::kTimedOut, exchange.address);
    next_exchange(line);
}

// A block that failed as a whole goes once more (byte by byte, should the link no longer read
// blocks); after that its rows fail, and none of them shows a value.
void RowOperation::block_failed(Line& line, bool timed_out) {
    if (++block_attempts_ < kBlockAttempts) {
        release(std::string_view(reply_window_).substr(std::min(ruled_out_, reply_window_.size())));
        reply_window_.clear();
        ruled_out_ = 0;
        plan_reads(line, exchange_);
        begin_exchange(line);
        return;
    }
    // Every row names the block's address, where the failed request asked.
    for (Row& row : rows_) {
        if (!row.reported) report(row, RowResult::Outcome::kTimedOut, block_.address, !timed_out);
    }
    next_exchange(line);
}

void RowOperation::release(std::string_view text) {
    if (rows_.front().request.quiet) released_ += text;
}

void RowOperation::stop(std::string_view port_error) {
    if (finished_) return;
    report_rest(
        port_error.empty() ? RowResult::Outcome::kCancelled : RowResult::Outcome::kPortFailed,
        port_error);
    finish();
}

RowResult RowInFlight::report(RowResult::Outcome outcome, std::uint16_t failed_address,
                              bool check_failed, std::string_view port_error) {
    reported = true;
    RowResult result;
    result.request = request;
    result.outcome = outcome;
    if (outcome == RowResult::Outcome::kOk) result.replies = replies;
    result.failed_address = failed_address;
    result.check_failed = check_failed;
    result.port_error = std::string(port_error);
    return result;
}

void RowOperation::report(Row& row, RowResult::Outcome outcome, std::uint16_t failed_address,
                          bool check_failed, std::string_view port_error) {
    const RowResult result = row.report(outcome, failed_address, check_failed, port_error);
    if (done_) done_(result);
}

void RowOperation::report_rest(RowResult::Outcome outcome, std::string_view port_error) {
    for (Row& row : rows_) {
        if (!row.reported) report(row, outcome, 0, false, port_error);
    }
}

void RowOperation::finish() {
    if (finished_) return;
    finished_ = true;
    // What came after the last reply, or everything not taken as one, reaches the log.
    release(std::string_view(reply_window_).substr(std::min(ruled_out_, reply_window_.size())));
    reply_window_.clear();
    ruled_out_ = 0;
}

}  // namespace halvane
