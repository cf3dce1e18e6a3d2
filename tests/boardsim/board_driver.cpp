#include "board_driver.h"

#include <cstdio>
#include <vector>

namespace boardsim::testing {

BoardDriver::BoardDriver(BoardConfig config, TrafficLog* log, std::ostream* trace)
    : board_(std::make_unique<Board>(config, log, trace)) {}

std::string BoardDriver::collect() {
    const std::vector<std::uint8_t> bytes = board_->advance(now_);
    return std::string(bytes.begin(), bytes.end());
}

std::string BoardDriver::send(std::string_view text) {
    board_->receive_from_pc(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), now_);
    return collect();
}

std::string BoardDriver::wait(Nanos duration) {
    // In small steps, as the event loop would wake up.
    std::string out;
    const Nanos end = now_ + duration;
    while (now_ < end) {
        const auto next = board_->next_event();
        now_ = next && *next > now_ && *next < end ? *next : end;
        out += collect();
    }
    return out;
}

void BoardDriver::wait_for(std::string& out, std::string_view text) {
    const Nanos limit = now_ + std::chrono::minutes(1);
    while (out.find(text) == std::string::npos && now_ < limit) {
        out += wait(std::chrono::milliseconds(1));
    }
}

std::string BoardDriver::jump(Nanos later) {
    now_ = later;
    return collect();
}

std::string BoardDriver::start(const std::string& records) {
    board_->power_on(now_);
    std::string out = collect();
    out += send("\r");
    out += send("load t\r");
    out += send(records);
    // The download takes its time on a paced line, and the monitor its pause.
    wait_for(out, " bad" + kLineEnd + ">");
    out += send("go 2400\r");
    wait_for(out, "go 2400" + kLineEnd);
    return out;
}

std::string BoardDriver::start_program() {
    return start(s1_record(0x2400, "20040000") + "\r\nS9032400D8\r\n");
}

std::string s1_record(unsigned address, std::string_view data_hex) {
    const unsigned count = static_cast<unsigned>(data_hex.size() / 2 + 3);
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    for (std::size_t i = 0; i < data_hex.size(); i += 2) {
        sum += std::stoul(std::string(data_hex.substr(i, 2)), nullptr, 16);
    }
    char head[16];
    std::snprintf(head, sizeof head, "S1%02X%04X", count, address);
    char tail[4];
    std::snprintf(tail, sizeof tail, "%02X", ~sum & 0xFF);
    return head + std::string(data_hex) + tail;
}

}  // namespace boardsim::testing
