#include "grid/row_operation.h"

#include <algorithm>
#include <utility>

#include "grid/grid_rules.h"
#include "link/wire_protocol.h"
#include "text/hex_digits.h"

namespace halvane {

namespace {
// A value as the responder sends it: hexadecimal digits only (normally two).
bool is_reply_value(std::string_view value) {
    return std::all_of(value.begin(), value.end(), is_hex_digit);
}

std::string address_text(std::uint16_t address) {
    return hex_text(address, wire::kAddressDigits);
}
}  // namespace

RowOperation::RowOperation(RowRequest request, Done done) : done_(std::move(done)) {
    result_.request = std::move(request);
    const RowRequest& r = result_.request;
    const auto next = static_cast<std::uint16_t>(r.address + 1);
    if (r.answer) {
        write_mem(first_two(*r.answer), r.address);
        if (r.word) write_mem(last_two(*r.answer), next);
    }
    read_mem(r.address);
    if (r.word) read_mem(next);
}

void RowOperation::write_mem(const std::string& value, std::uint16_t address) {
    exchanges_.push_back({wire::write_request(value, address_text(address)), address, false});
}

void RowOperation::read_mem(std::uint16_t address) {
    exchanges_.push_back({wire::read_request(address_text(address)), address, true});
}

void RowOperation::start(Line& line) {
    // A cell operation the user sees starts with an empty receive log.
    if (!result_.request.quiet) line.clear_received();
    begin_exchange(line);
}

void RowOperation::begin_exchange(Line& line) {
    next_char_ = 0;
    phase_ = Phase::kSending;
    send_next(line);
}

void RowOperation::send_next(Line& line) {
    const std::string& c = exchanges_[exchange_].characters[next_char_++];
    // The character is on its way from the moment it is handed over.
    last_sent_ns_ = line.now_ns();
    if (!c.empty() && !line.write(c)) {
        finish(RowResult::Outcome::kPortFailed);
        return;
    }
    const Exchange& exchange = exchanges_[exchange_];
    if (exchange.read && next_char_ == exchange.characters.size()) {
        // The last character of a read: from its tick on, the reply is looked for; until then
        // only the time-out needs the alarm (a reply before the tick is taken when it ends).
        phase_ = Phase::kAwaitingReply;
        reply_deadline_ns_ = last_sent_ns_ + kTickNs + kReplyTimeoutNs;
        line.wake_at(reply_deadline_ns_);
        return;
    }
    line.wake_at(last_sent_ns_ + kTickNs);
}

void RowOperation::woke(Line& line) {
    if (finished_) return;
    const std::int64_t now = line.now_ns();
    if (phase_ == Phase::kAwaitingReply) {
        if (now >= reply_deadline_ns_) {
            result_.failed_address = exchanges_[exchange_].address;
            finish(RowResult::Outcome::kTimedOut);
            return;
        }
        // Woken at the end of the last character's tick with a reply already in.
        take_reply(line);
        if (!finished_ && phase_ == Phase::kAwaitingReply) line.wake_at(reply_deadline_ns_);
        return;
    }
    // Each character leaves at least one tick after the one before, however late this
    // wake-up comes; a late one never lets two go at once.
    if (now < last_sent_ns_ + kTickNs) {
        line.wake_at(last_sent_ns_ + kTickNs);
        return;
    }
    if (next_char_ < exchanges_[exchange_].characters.size()) {
        send_next(line);
        return;
    }
    // Every character of a write has had its tick (a read waits for its reply instead).
    ++exchange_;
    begin_exchange(line);
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
    if (line.now_ns() < last_sent_ns_ + kTickNs) {
        if (wire::reply_value(
                std::string_view(reply_window_).substr(std::min(ruled_out_, reply_window_.size()))))
            line.wake_at(last_sent_ns_ + kTickNs);
        return;
    }
    for (;;) {
        const std::string_view unread =
            std::string_view(reply_window_).substr(std::min(ruled_out_, reply_window_.size()));
        const std::optional<std::string> value = wire::reply_value(unread);
        if (!value) return;
        const std::size_t end = unread.find(wire::kReplyEnd);
        if (!is_reply_value(*value)) {
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
        result_.replies.push_back(*value);
        if (exchange_ + 1 == exchanges_.size()) {
            finish(RowResult::Outcome::kOk);
            return;
        }
        // The low byte's reply is looked for in what comes from now on.
        release(std::string_view(reply_window_).substr(ruled_out_));
        reply_window_.clear();
        ruled_out_ = 0;
        if (!result_.request.quiet) line.clear_received();
        ++exchange_;
        begin_exchange(line);
        return;
    }
}

void RowOperation::release(std::string_view text) {
    if (result_.request.quiet) released_ += text;
}

void RowOperation::stop(std::string_view port_error) {
    if (finished_) return;
    finish(port_error.empty() ? RowResult::Outcome::kCancelled : RowResult::Outcome::kPortFailed,
           port_error);
}

void RowOperation::finish(RowResult::Outcome outcome, std::string_view port_error) {
    finished_ = true;
    // What came after the last reply, or everything not taken as one, reaches the log.
    release(std::string_view(reply_window_).substr(std::min(ruled_out_, reply_window_.size())));
    reply_window_.clear();
    ruled_out_ = 0;
    result_.outcome = outcome;
    result_.port_error = std::string(port_error);
    if (outcome != RowResult::Outcome::kOk) result_.replies.clear();
    if (done_) done_(result_);
}

}  // namespace halvane
