#pragma once

// A board for core tests: it listens to what the window writes and answers read
// requests from a memory image, a few ticks later, as the responder in a program does.

#include <array>
#include <cstdio>
#include <set>
#include <string>

#include "fakes/fake_platform.h"

namespace halvane::fakes {

class ScriptedBoard {
  public:
    explicit ScriptedBoard(Harness& h) : h_(h) {
        h_.serial.on_write = [this](std::string_view text) { heard(text); };
    }

    std::array<unsigned char, 0x10000> memory{};
    int reply_delay_ticks = 2;
    bool silent = false;
    std::set<unsigned> silent_addresses;  // reads of these get no reply
    std::string reply_prefix;             // noise the board sends before a reply
    int reads = 0;
    int writes = 0;

  private:
    void heard(std::string_view text) {
        for (char c : text) {
            if (c == '*') request_.clear();
            if (request_.empty() && c != '*') continue;  // not a request (a download)
            request_ += c;
            if (request_.size() == 5 && request_ != "*FFFF") answer_read();
            if (request_.size() == 11 && request_.rfind("*FFFF", 0) == 0) store();
        }
    }
    void answer_read() {
        ++reads;
        const unsigned address = std::stoul(request_.substr(1), nullptr, 16);
        request_.clear();
        if (silent || silent_addresses.count(address) > 0) return;
        char reply[8];
        std::snprintf(reply, sizeof reply, "!%02X@", memory[address]);
        const std::string text = reply_prefix + reply;
        h_.clock.after_ms(reply_delay_ticks, [this, text] { h_.serial.arrive(text); });
    }
    void store() {
        ++writes;
        const unsigned address = std::stoul(request_.substr(5, 4), nullptr, 16);
        memory[address] =
            static_cast<unsigned char>(std::stoul(request_.substr(9, 2), nullptr, 16));
        request_.clear();
    }

    Harness& h_;
    std::string request_;
};

}  // namespace halvane::fakes
