#include "core/paced_wire.h"

#include <algorithm>

namespace boardsim {

Nanos PacedWire::char_time_for_baud(double baud) {
    if (baud <= 0) return Nanos{0};
    return Nanos{static_cast<Nanos::rep>(10'000'000'000.0 / baud)};
}

void PacedWire::push(std::uint8_t byte, Nanos at, double rate) {
    const Nanos starts = std::max(at, last_arrival_);
    last_arrival_ = starts + char_time_for_baud(rate);
    queue_.push_back({byte, rate, starts, last_arrival_});
}

std::optional<Nanos> PacedWire::next_arrival() const {
    if (queue_.empty()) return std::nullopt;
    return queue_.front().arrives;
}

std::optional<PacedWire::Arrival> PacedWire::pop_arrived(Nanos now) {
    if (queue_.empty() || queue_.front().arrives > now) return std::nullopt;
    const InFlight& first = queue_.front();
    const Arrival arrival{first.byte, first.arrives, first.rate};
    queue_.pop_front();
    return arrival;
}

void PacedWire::drop_waiting(Nanos now) {
    // A character whose transmission has begun stays; the rest go.
    auto keep = queue_.begin();
    while (keep != queue_.end() && keep->starts < now) ++keep;
    queue_.erase(keep, queue_.end());
    last_arrival_ = queue_.empty() ? std::min(last_arrival_, now) : queue_.back().arrives;
}

}  // namespace boardsim
