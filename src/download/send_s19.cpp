#include <cstdint>
#include <filesystem>
#include <limits>
#include <system_error>

#include "app/main_window.h"

namespace halvane {

// Types the program file to the board's monitor: an empty line, "load t", the file's
// bytes unchanged, two empty lines and "go 2400". Nothing the monitor answers is read;
// `flag` is 0 throughout, so its echoes are thrown away.
Tamrin::Exchange Tamrin::send_s19(std::string& failure) {
    p_.mscomm1.set_input_mode_text();
    p_.mscomm1.set_input_length(1);
    p_.mscomm1.set_receive_threshold(1);
    p_.mscomm1.set_send_threshold(1);

    std::error_code error;
    const std::uintmax_t length = std::filesystem::file_size(s19_file_name_, error);
    if (error) {
        failure = s19_file_name_ + ": " + error.message();
        return Exchange::kRefused;
    }
    if (length > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max() - 20)) {
        failure = s19_file_name_ + ": the file is too large";
        return Exchange::kRefused;
    }
    p_.progress.set_maximum(static_cast<float>(length + 20));
    p_.progress.set_value(0);

    if (Exchange e = send_step("\r", 1, failure); e != Exchange::kOk) return e;
    if (Exchange e = send_step("load t\r", 1, failure); e != Exchange::kOk) return e;

    channel1_.open(s19_file_name_, std::ios::binary);
    if (!channel1_) {
        failure = s19_file_name_ + ": the file cannot be opened";
        return Exchange::kRefused;
    }
    sent_s_records_ = false;
    char c = 0;
    char before_previous = '\n';
    char previous = '\n';
    while (channel1_.get(c)) {
        if ((before_previous == '\n' || before_previous == '\r') && previous == 'S' &&
            (c == '1' || c == '9'))
            sent_s_records_ = true;
        before_previous = previous;
        previous = c;
        if (Exchange e = wait_for_output_room(kDownloadQueueLimit, failure); e != Exchange::kOk) {
            channel1_.close();
            return e;
        }
        if (!p_.mscomm1.write(std::string_view(&c, 1))) {
            channel1_.close();
            failure = "the serial port refused the data";
            return Exchange::kPortFailed;
        }
        p_.progress.set_value(p_.progress.value() + 1);
    }
    const bool read_whole_file = channel1_.eof();
    channel1_.close();
    if (!read_whole_file) {
        failure = s19_file_name_ + ": read error";
        return Exchange::kRefused;
    }

    for (std::string_view step : {std::string_view(), std::string_view("\r"),
                                  std::string_view("\r"), std::string_view("go 2400\r")}) {
        if (Exchange e = send_step(step, 5, failure); e != Exchange::kOk) return e;
        p_.progress.set_value(p_.progress.value() + 5);
    }
    flag_ = 1;
    return Exchange::kOk;
}

// Sends one step of the dialogue, lets it leave the PC, then pauses.
Tamrin::Exchange Tamrin::send_step(std::string_view text, std::int64_t pause_ticks,
                                   std::string& failure) {
    if (!text.empty() && !p_.mscomm1.write(text)) {
        failure = port_error_.empty() ? "the serial port refused the data" : port_error_;
        return Exchange::kPortFailed;
    }
    if (Exchange e = wait_for_output_room(0, failure); e != Exchange::kOk) return e;
    return delay(pause_ticks) == Wait::kDone ? Exchange::kOk : Exchange::kAborted;
}

// Dispatches events until no more than `allowed` characters wait to leave the PC.
Tamrin::Exchange Tamrin::wait_for_output_room(std::size_t allowed, std::string& failure) {
    for (;;) {
        if (closing_) return Exchange::kAborted;
        if (!p_.mscomm1.is_open()) {
            failure = port_error_.empty() ? "the serial port is closed" : port_error_;
            return Exchange::kPortFailed;
        }
        if (p_.mscomm1.output_pending() <= allowed) return Exchange::kOk;
        p_.pump.wait_and_dispatch();
    }
}

}  // namespace halvane
