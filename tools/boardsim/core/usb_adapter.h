#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/sim_time.h"

namespace boardsim {

// The USB-serial adapter between the board's line and the PC, in the board-to-PC direction.
// Such adapters do not pass each character on as it arrives: they collect them and send a USB
// packet when it is full (62 characters) or when their latency timer, started by the first
// character waiting, runs out. A short reply therefore reaches the PC up to one latency late.
// A latency of zero passes every character on at once.
class UsbAdapter {
  public:
    static constexpr std::size_t kPacketSize = 62;

    explicit UsbAdapter(Nanos latency) : latency_(latency) {}

    // A character has arrived from the line at `at`; calls come in time order.
    void push(std::uint8_t byte, Nanos at);
    // The characters the PC has got by `now`, in order.
    std::vector<std::uint8_t> take_delivered(Nanos now);
    // When the characters waiting go to the PC unless more arrive; nullopt when none wait.
    std::optional<Nanos> next_delivery() const;
    bool empty() const { return waiting_.empty() && delivered_.empty(); }

  private:
    void send_packet();

    Nanos latency_;
    std::vector<std::uint8_t> waiting_;
    Nanos first_waiting_since_{0};
    std::vector<std::uint8_t> delivered_;
};

}  // namespace boardsim
