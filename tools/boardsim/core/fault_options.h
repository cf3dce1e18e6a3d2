#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace boardsim {

// Misbehaviour on purpose, for testing a watch window's error handling.
struct FaultOptions {
    bool no_reply = false;                     // swallow every reply
    std::chrono::milliseconds reply_delay{0};  // hold each reply back this long
    std::uint32_t drop_every = 0;              // swallow every N-th reply (0: never)
    bool garbage = false;                      // noise before replies, now and then a stray '@'
    std::uint32_t hangup_after = 0;            // close the line after N requests (0: never)
    std::uint32_t corrupt_every = 0;           // flip a bit of every N-th character sent (0: never)

    bool any() const {
        return no_reply || reply_delay.count() > 0 || drop_every > 0 || garbage ||
               hangup_after > 0 || corrupt_every > 0;
    }
};

}  // namespace boardsim
