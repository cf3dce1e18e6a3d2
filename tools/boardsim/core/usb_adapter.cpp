#include "core/usb_adapter.h"

namespace boardsim {

void UsbAdapter::push(std::uint8_t byte, Nanos at) {
    // The timer of what was waiting may have run out before this character came.
    if (!waiting_.empty() && at >= first_waiting_since_ + latency_) send_packet();
    if (waiting_.empty()) first_waiting_since_ = at;
    waiting_.push_back(byte);
    if (waiting_.size() >= kPacketSize || latency_ <= Nanos{0}) send_packet();
}

std::vector<std::uint8_t> UsbAdapter::take_delivered(Nanos now) {
    if (!waiting_.empty() && now >= first_waiting_since_ + latency_) send_packet();
    std::vector<std::uint8_t> delivered;
    delivered.swap(delivered_);
    return delivered;
}

std::optional<Nanos> UsbAdapter::next_delivery() const {
    if (waiting_.empty()) return std::nullopt;
    return first_waiting_since_ + latency_;
}

void UsbAdapter::send_packet() {
    delivered_.insert(delivered_.end(), waiting_.begin(), waiting_.end());
    waiting_.clear();
}

}  // namespace boardsim
