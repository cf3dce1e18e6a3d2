#include "core/paced_wire.h"

#include <algorithm>

namespace boardsim {

Nanos PacedWire::char_time_for_baud(unsigned baud) {
    if (baud == 0) return Nanos{0};
    return Nanos{10'000'000'000LL / baud};
}

void PacedWire::push(std::uint8_t byte, Nanos at) {
    const Nanos starts = std::max(at, last_arrival_);
    last_arrival_ = starts + char_time_;
    queue_.push_back({byte, last_arrival_});
}

std::optional<Nanos> PacedWire::next_arrival() const {
    if (queue_.empty()) return std::nullopt;
    return queue_.front().arrives;
}

std::optional<PacedWire::Arrival> PacedWire::pop_arrived(Nanos now) {
    if (queue_.empty() || queue_.front().arrives > now) return std::nullopt;
    const Arrival arrival{queue_.front().byte, queue_.front().arrives};
    queue_.pop_front();
    return arrival;
}

void PacedWire::drop_waiting(Nanos now) {
    // A character whose transmission has begun (it would arrive within one character time)
    // stays; the rest go.
    auto keep = queue_.begin();
    while (keep != queue_.end() && keep->arrives - char_time_ < now) ++keep;
    queue_.erase(keep, queue_.end());
    last_arrival_ = queue_.empty() ? std::min(last_arrival_, now) : queue_.back().arrives;
}

}  // namespace boardsim
