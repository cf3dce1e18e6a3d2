#include "link/block_read_probe.h"

#include <utility>

#include "link/wire_protocol.h"

namespace halvane {

BlockReadProbe::BlockReadProbe(std::function<void(bool block_reads)> answered)
    : answered_(std::move(answered)), request_(wire::block_request_text(kAddress, 1)) {}

void BlockReadProbe::start(Line& line) {
    send_next(line);
}

void BlockReadProbe::send_next(Line& line) {
    last_sent_ns_ = line.now_ns();
    if (!line.write(std::string_view(&request_[sent_++], 1))) {
        finish(false);
        return;
    }
    // The wait for the reply starts with the last character's tick.
    if (sent_ == request_.size()) deadline_ns_ = last_sent_ns_ + kTickNs + kReplyWaitNs;
    line.wake_at(sent_ == request_.size() ? deadline_ns_ : last_sent_ns_ + kTickNs);
}

void BlockReadProbe::woke(Line& line) {
    if (finished_) return;
    const std::int64_t now = line.now_ns();
    if (deadline_ns_ >= 0) {
        if (now >= deadline_ns_) finish(false);
        return;
    }
    if (now < last_sent_ns_ + kTickNs) {
        line.wake_at(last_sent_ns_ + kTickNs);
        return;
    }
    send_next(line);
}

void BlockReadProbe::received(Line& /*line*/, std::string_view text) {
    // What comes before the request is complete cannot answer it.
    if (finished_ || deadline_ns_ < 0) return;
    received_ += text;
    const std::optional<std::string> value = wire::reply_value(received_);
    if (!value) return;
    finish(wire::parse_block_reply(*value, kAddress, 1).problem ==
           wire::BlockReply::Problem::kNone);
}

void BlockReadProbe::stop(std::string_view /*port_error*/) {
    // Nothing learnt: the next memory operation asks again.
    finished_ = true;
}

void BlockReadProbe::finish(bool block_reads) {
    finished_ = true;
    if (answered_) answered_(block_reads);
}

}  // namespace halvane
