#include "core/fault_injector.h"

#include <utility>

namespace boardsim {

FaultInjector::FaultInjector(const FaultOptions& options, SerialSink& line, Note note)
    : options_(options), line_(line), note_(std::move(note)) {}

void FaultInjector::transmit(std::uint8_t byte, Nanos at) {
    if (!in_reply_ && byte != '!') {
        send({byte}, at, at);
        return;
    }
    in_reply_ = true;
    reply_.push_back(byte);
    if (byte == '@') finish_reply(at);
}

void FaultInjector::finish_reply(Nanos at) {
    in_reply_ = false;
    std::vector<std::uint8_t> reply = std::exchange(reply_, {});
    ++reply_count_;
    if (options_.no_reply) {
        note_("fault: reply " + std::to_string(reply_count_) + " swallowed (--no-reply)", at);
        return;
    }
    if (options_.drop_every > 0 && reply_count_ % options_.drop_every == 0) {
        note_("fault: reply " + std::to_string(reply_count_) + " dropped (--drop-every " +
                  std::to_string(options_.drop_every) + ")",
              at);
        return;
    }
    if (options_.garbage) {
        std::vector<std::uint8_t> spoiled = noise();
        spoiled.insert(spoiled.end(), reply.begin(), reply.end());
        reply = std::move(spoiled);
    }
    send(std::move(reply), at + options_.reply_delay, at);
}

std::vector<std::uint8_t> FaultInjector::noise() {
    // Characters a confused line might carry; none of them starts or ends a reply on its own.
    static constexpr std::string_view kNoise = "#$%&+-.:;<=>?^_~xyz \r\n";
    std::vector<std::uint8_t> bytes(1 + random_() % 4);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(kNoise[random_() % kNoise.size()]);
    if (random_() % 4 == 0) bytes.push_back('@');  // a stray end mark before the reply
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

void FaultInjector::run_until(Nanos now) {
    while (!held_.empty() && held_.front().release <= now) {
        const Held item = std::move(held_.front());
        held_.pop_front();
        for (std::uint8_t b : item.bytes) line_.transmit(b, item.release);
    }
}

std::optional<Nanos> FaultInjector::next_wakeup() const {
    if (held_.empty()) return std::nullopt;
    return held_.front().release;
}

void FaultInjector::observe_received(std::uint8_t byte, Nanos at) {
    if (!requests_.feed(byte)) return;
    ++request_count_;
    if (options_.hangup_after > 0 && request_count_ == options_.hangup_after) {
        hangup_requested_ = true;
        note_("fault: closing the line after request " + std::to_string(request_count_) +
                  " (--hangup-after)",
              at);
    }
}

void FaultInjector::reset() {
    in_reply_ = false;
    reply_.clear();
    held_.clear();
    requests_.reset();
}

}  // namespace boardsim
