#include "core/builtin_responder.h"

#include <vector>

#include "link/wire_protocol.h"

namespace boardsim {

BuiltinResponder::BuiltinResponder(hc11::Board& memory, SerialSink& out,
                                   std::optional<std::uint16_t> counter_address, Nanos started_at)
    : memory_(memory),
      out_(out),
      counter_address_(counter_address),
      next_count_(started_at + kCountPeriod) {}

void BuiltinResponder::receive(std::uint8_t byte, bool framing_error, Nanos at) {
    run_until(at);
    if (framing_error) {
        parser_.reset();
        return;
    }
    const auto request = parser_.feed(byte);
    if (!request) return;
    switch (request->kind) {
        case MemoryRequest::Kind::kRead:
            send(halvane::wire::reply_text(memory_.read(request->address)), at);
            break;
        case MemoryRequest::Kind::kWrite:
            memory_.write(request->address, request->value);
            break;
        case MemoryRequest::Kind::kBlockRead: {
            // All bytes as they are now, the address wrapping from FFFF to 0000.
            std::vector<std::uint8_t> bytes(request->count);
            for (std::size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = memory_.read(static_cast<std::uint16_t>(request->address + i));
            send(halvane::wire::block_reply_text(request->address, bytes), at);
            break;
        }
    }
}

void BuiltinResponder::send(std::string_view reply, Nanos at) {
    for (const char c : reply) out_.transmit(static_cast<std::uint8_t>(c), at);
}

void BuiltinResponder::run_until(Nanos now) {
    if (!counter_address_ || now < next_count_) return;
    // One step per period that has passed; computed at once so a long stall costs nothing.
    const auto steps = static_cast<std::uint64_t>((now - next_count_) / kCountPeriod) + 1;
    add_to_counter(steps);
    next_count_ += kCountPeriod * static_cast<std::int64_t>(steps);
}

void BuiltinResponder::add_to_counter(std::uint64_t steps) {
    const std::uint16_t high_address = *counter_address_;
    const auto low_address = static_cast<std::uint16_t>(high_address + 1);
    const auto word = static_cast<std::uint16_t>(
        (memory_.read(high_address) << 8 | memory_.read(low_address)) + steps);
    memory_.write(high_address, static_cast<std::uint8_t>(word >> 8));
    memory_.write(low_address, static_cast<std::uint8_t>(word));
}

std::optional<Nanos> BuiltinResponder::next_wakeup() const {
    if (!counter_address_) return std::nullopt;
    return next_count_;
}

}  // namespace boardsim
