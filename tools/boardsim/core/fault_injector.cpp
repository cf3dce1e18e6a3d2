#include "core/fault_injector.h"

#include <utility>

#include "link/wire_protocol.h"

namespace boardsim {

FaultInjector::FaultInjector(const FaultOptions& options, SerialSink& line, Note note)
    : options_(options), line_(line), note_(std::move(note)) {}

void FaultInjector::transmit(std::uint8_t byte, Nanos at) {
    // Each character goes on as it comes: a program on the processor sends a reply over four
    // character times, and holding it back until its end would delay it by three of them.
    if (!in_reply_ && byte == static_cast<std::uint8_t>(halvane::wire::kReplyStart))
        start_reply(at);
    if (!in_reply_) {
        send({byte}, at, at);
        return;
    }
    if (!swallowing_) send({byte}, at + options_.reply_delay, at);
    if (byte == static_cast<std::uint8_t>(halvane::wire::kReplyEnd)) {
        in_reply_ = false;
        ++replies_ended_;
    }
}

void FaultInjector::start_reply(Nanos at) {
    in_reply_ = true;
    swallowing_ = false;
    ++reply_count_;
    if (options_.no_reply) {
        swallowing_ = true;
        note_("fault: reply " + std::to_string(reply_count_) + " swallowed (--no-reply)", at);
    } else if (options_.drop_every > 0 && reply_count_ % options_.drop_every == 0) {
        swallowing_ = true;
        note_("fault: reply " + std::to_string(reply_count_) + " dropped (--drop-every " +
                  std::to_string(options_.drop_every) + ")",
              at);
    } else if (options_.garbage) {
        send(noise(), at + options_.reply_delay, at);
    }
}

std::vector<std::uint8_t> FaultInjector::noise() {
    // Characters a confused line might carry; none of them starts or ends a reply on its own.
    static constexpr std::string_view kNoise = "#$%&+-.:;<=>?^_~xyz \r\n";
    std::vector<std::uint8_t> bytes(1 + random_() % 4);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(kNoise[random_() % kNoise.size()]);
    // A stray end mark before the reply.
    if (random_() % 4 == 0) bytes.push_back(static_cast<std::uint8_t>(halvane::wire::kReplyEnd));
    return bytes;
}

void FaultInjector::send(std::vector<std::uint8_t> bytes, Nanos release, Nanos at) {
    if (held_.empty() && release <= at) {
        for (std::uint8_t b : bytes) line_.transmit(b, at);
        return;
    }
    // Behind a held reply everything waits its turn, so the order on the line stays the
    // program's order.
    if (!held_.empty() && release < held_.back().release) release = held_.back().release;
    held_.push_back({std::move(bytes), release});
}

std::uint8_t FaultInjector::on_the_wire(std::uint8_t byte, Nanos at) {
    if (options_.corrupt_every == 0 || ++characters_sent_ % options_.corrupt_every != 0)
        return byte;
    const auto spoilt = static_cast<std::uint8_t>(byte ^ 0x01);
    note_("fault: character " + std::to_string(characters_sent_) + " corrupted (--corrupt-every " +
              std::to_string(options_.corrupt_every) + ")",
          at);
    return spoilt;
}

void FaultInjector::run_until(Nanos now) {
    if (hangup_requested_ && now >= hangup_deadline_) hangup_waited_ = true;
    while (!held_.empty() && held_.front().release <= now) {
        const Held item = std::move(held_.front());
        held_.pop_front();
        for (std::uint8_t b : item.bytes) line_.transmit(b, item.release);
    }
}

std::optional<Nanos> FaultInjector::next_wakeup() const {
    std::optional<Nanos> next;
    if (!held_.empty()) next = held_.front().release;
    if (hangup_requested_ && !hangup_waited_ && (!next || hangup_deadline_ < *next)) {
        next = hangup_deadline_;
    }
    return next;
}

bool FaultInjector::hangup_due() const {
    // The last request's reply goes out first, unless the program takes too long with it.
    return hangup_requested_ && held_.empty() &&
           (replies_ended_ >= read_requests_ || hangup_waited_);
}

void FaultInjector::observe_received(std::uint8_t byte, Nanos at) {
    const std::optional<MemoryRequest> request = requests_.feed(byte);
    if (!request) return;
    ++request_count_;
    if (request->kind != MemoryRequest::Kind::kWrite) ++read_requests_;
    if (options_.hangup_after > 0 && request_count_ == options_.hangup_after) {
        hangup_requested_ = true;
        hangup_deadline_ = at + kHangupGrace;
        note_("fault: closing the line after request " + std::to_string(request_count_) +
                  " (--hangup-after)",
              at);
    }
}

void FaultInjector::reset() {
    in_reply_ = false;
    swallowing_ = false;
    held_.clear();
    read_requests_ = replies_ended_;
    requests_.reset();
}

}  // namespace boardsim
