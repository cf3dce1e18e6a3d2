#include "app/main_window.h"
#include "link/request_text.h"

namespace halvane {

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
    for (;;) {
        if (closing_) return Exchange::kAborted;
        if (const auto value = reply_value(p_.text1.text())) {
            p_.grid.set_text(row, 2, *value);
            return Exchange::kOk;
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
