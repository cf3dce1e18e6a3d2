#include <algorithm>

#include "app/main_window.h"
#include "link/request_text.h"

namespace halvane {

namespace {
// A value as the responder sends it: hexadecimal digits only (normally two).
bool is_reply_value(std::string_view value) {
    return std::all_of(value.begin(), value.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}
}  // namespace

bool Tamrin::send_char(std::string_view character) {
    if (!p_.mscomm1.is_open()) return false;
    if (character.empty()) return true;
    return p_.mscomm1.write(character);
}

// One write and one tick per position, the last position included.
Tamrin::Exchange Tamrin::send_request(const std::vector<std::string>& characters) {
    for (const std::string& c : characters) {
        if (closing_) return Exchange::kAborted;
        if (!send_char(c)) return Exchange::kPortFailed;
        if (delay(1) == Wait::kAborted) return Exchange::kAborted;
    }
    return Exchange::kOk;
}

// Reads one byte and puts the reply's value text into column 2 of `row`, the row the
// operation started on, whatever row the user has selected meanwhile.
Tamrin::Exchange Tamrin::read_mem(std::string_view address, int row) {
    if (const Exchange sent = send_request(read_request(address)); sent != Exchange::kOk)
        return sent;
    const std::int64_t deadline = ticks_handled_ + kReplyTimeoutTicks;
    // Received text before this position has been ruled out as a reply.
    std::size_t ruled_out = 0;
    for (;;) {
        if (closing_) return Exchange::kAborted;
        const std::string received = p_.text1.text();
        const std::string_view unread =
            std::string_view(received).substr(std::min(ruled_out, received.size()));
        if (const auto value = reply_value(unread)) {
            if (is_reply_value(*value)) {
                p_.grid.set_text(row, 2, *value);
                return Exchange::kOk;
            }
            // Line noise cut off by a stray "@", not an answer: the real reply is still to
            // come. Taking the noise would also leave that reply for the next read, which
            // would put this address's value into the next row.
            ruled_out += unread.find('@') + 1;
            continue;
        }
        if (!p_.mscomm1.is_open()) return Exchange::kPortFailed;
        if (ticks_handled_ >= deadline) return Exchange::kTimedOut;
        p_.pump.wait_and_dispatch();
    }
}

Tamrin::Exchange Tamrin::write_mem(std::string_view value, std::string_view address) {
    return send_request(write_request(value, address));
}

}  // namespace halvane
