#pragma once

// A board for core tests: it listens to what the window writes and answers read
// requests from a memory image, a few ticks later, as the responder in a program does; or, at
// its monitor, answers Ctrl-X, md and mm as the board's monitor does (echo, CR LF NUL line ends).

#include <array>
#include <cctype>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fakes/fake_platform.h"
#include "link/monitor_dialogue.h"
#include "link/register_job.h"
#include "link/wire_protocol.h"
#include "text/hex_digits.h"

namespace halvane::fakes {

class ScriptedBoard {
  public:
    explicit ScriptedBoard(Harness& h) : ScriptedBoard(h.clock, h.serial) {}
    // On a port of its own, for logic that runs a board link without the window.
    ScriptedBoard(FakeClock& clock, FakeSerial& serial) : clock_(clock), serial_(serial) {
        serial_.on_write = [this](std::string_view text) { heard(text); };
    }

    std::array<unsigned char, 0x10000> memory{};
    int reply_delay_ticks = 2;
    bool silent = false;
    std::set<unsigned> silent_addresses;  // reads of these get no reply
    std::string reply_prefix;             // noise the board sends before a reply
    // Block reads ("#AAAANN"): answered only by a responder that knows them; the next
    // `spoilt_blocks` replies carry a wrong check, the next `unended_blocks` lose their "@" (it
    // arrives as "A"), the next `unanswered_blocks` get none at all.
    bool answers_blocks = false;
    int spoilt_blocks = 0;
    int unended_blocks = 0;
    int unanswered_blocks = 0;
    std::string block_reply_override;  // what a responder confused by "#" answers
    // The speed request ("=BB"): a responder that knows it answers at its present rate and takes
    // the new one once the reply has left; the next `damaged_speed_replies` replies lose a digit
    // on the way. A character heard at a rate other than the board's is spoilt, and at a fast
    // rate the board goes back to 9600 on it (a framing error, noise, a request that fails to
    // parse); a reply reaches a port at another rate as NULs, as Linux passes a framing error.
    bool answers_speed = false;
    int damaged_speed_replies = 0;
    long rate = 9600;
    int reads = 0;
    int writes = 0;
    int block_reads = 0;
    // At the monitor's prompt rather than running the program.
    bool at_monitor = false;
    std::vector<std::string> commands;  // each command line the monitor ran

    // The monitor's breakpoint table, as `br` sets it; a program's registers as `rm` shows them.
    std::vector<std::uint16_t> breakpoints;
    monitor::Registers registers{0x2424, 0x0000, 0x2456, 0x00, 0x01, 0xC4, 0x01FF};
    // The responder knows "%%": the program stops at `pause_pc` as if it had reached an SWI there.
    bool answers_pause = false;
    std::uint16_t pause_pc = 0x2440;
    // How far `t` moves P.
    std::uint16_t trace_length = 3;

    // The program reaches an SWI at `pc`: the monitor prints the register line and its prompt.
    void stop_at(std::uint16_t pc) {
        at_monitor = true;
        registers.pc = pc;
        const std::string line_end("\r\n\0", 3);
        say(line_end + monitor::register_line_text(registers) + line_end + ">");
    }

  private:
    void say(const std::string& text) {
        clock_.after_ms(reply_delay_ticks, [this, text] { serial_.arrive(text); });
    }
    // The monitor: echo, and a command at CR; mm waits for a value or Ctrl-X.
    void monitor_heard(char c) {
        if (loading_) {
            load_heard(c);
            return;
        }
        if (c == '\x18') {
            typed_.clear();
            modifying_ = false;
            register_field_ = 0;
            say(std::string("\r\n\0>", 4));
            return;
        }
        if (c == '\n' || c == '\0') return;
        if (c != '\r') {
            typed_ += c;
            say(std::string(1, c));
            return;
        }
        const std::string line = std::exchange(typed_, {});
        if (register_field_ != 0) {
            if (!line.empty()) registers = with_change(registers, register_field_, hex_value(line));
            register_field_ = 0;
            say(std::string("\r\n\0>", 4));
            return;
        }
        if (modifying_) {
            modifying_ = false;
            if (!line.empty()) memory[modify_at_] = static_cast<unsigned char>(hex_value(line));
            say(std::string("\r\n\0>", 4));
            return;
        }
        commands.push_back(line);
        std::string out = std::string("\r\n\0", 3);
        if (line.starts_with("md ")) {
            const unsigned first = hex_value(line.substr(3, 4)) & ~0xFu;
            const unsigned last = line.size() > 8 ? hex_value(line.substr(8, 4)) : first;
            for (unsigned a = first; a <= last; a += 16) {
                out += hex_text(a, 4);
                for (unsigned i = 0; i < 16; ++i)
                    out += " " + hex_text(memory[(a + i) & 0xFFFF], 2);
                out += std::string("                  \r\n\0", 21);
            }
        } else if (line.starts_with("mm ")) {
            modify_at_ = hex_value(line.substr(3, 4));
            modifying_ = true;
            say(out + hex_text(modify_at_, 4) + " " + hex_text(memory[modify_at_], 2) + " ");
            return;
        } else if (line.starts_with("g") || line == "p") {
            at_monitor = false;
            say(out);
            return;
        } else if (line == "load t") {
            loading_ = true;
            say(out);
            return;
        } else if (line == "br -") {
            breakpoints.clear();
        } else if (line.starts_with("br ")) {
            for (std::size_t at = 3; at + 4 <= line.size(); at += 5)
                breakpoints.push_back(static_cast<std::uint16_t>(hex_value(line.substr(at, 4))));
        } else if (line == "t") {
            registers.pc = static_cast<std::uint16_t>(registers.pc + trace_length);
            out += "Op- 01" + std::string("\r\n\0", 3) + monitor::register_line_text(registers) +
                   std::string("\r\n\0", 3);
        } else if (line.starts_with("rm")) {
            register_field_ = line.size() > 3 ? static_cast<char>(std::toupper(line[3])) : 'P';
            const std::string field = monitor::register_line_text(registers);
            const std::size_t at = field.find(std::string(1, register_field_) + "-");
            say(out + field + std::string("\r\n\0", 3) +
                field.substr(at, field.find(' ', at) - at) + " ");
            return;
        }
        say(out + ">");
    }
    static unsigned hex_value(std::string_view digits) {
        unsigned value = 0;
        for (char c : digits) {
            if (hex_digit_value(c) < 0) break;
            value = value * 16 + static_cast<unsigned>(hex_digit_value(c));
        }
        return value;
    }

    // "load t": the records go unechoed; the end record brings the monitor's end-of-load line.
    void load_heard(char c) {
        if (c != '\r' && c != '\n') {
            typed_ += c;
            return;
        }
        if (typed_.starts_with("S9")) {
            loading_ = false;
            say(std::string("\r\n\0done\r\n\0>", 11));
        }
        typed_.clear();
    }

    void heard(std::string_view text) {
        for (char c : text) {
            if (at_monitor) {
                monitor_heard(c);
                continue;
            }
            if (c == '%') {
                if (std::exchange(percent_, !percent_) && answers_pause) stop_at(pause_pc);
                continue;
            }
            percent_ = false;
            if (serial_.rate() != rate) {
                rate = wire::kSlowLine.baud;
                request_.clear();
                continue;
            }
            const bool starts = c == wire::kRequestStart || c == wire::kBlockRequestStart ||
                                c == wire::kSpeedRequestStart;
            if (starts) request_.clear();
            if (request_.empty() && !starts) continue;  // a download's text
            request_ += c;
            if (request_[0] == wire::kSpeedRequestStart) {
                if (request_.size() == wire::kSpeedRequestLength) answer_speed();
                continue;
            }
            if (request_[0] == wire::kBlockRequestStart) {
                if (request_.size() == wire::kBlockRequestLength) answer_block();
                continue;
            }
            if (request_.size() == wire::kReadRequestLength && !is_write()) answer_read();
            if (request_.size() == wire::kWriteRequestLength && is_write()) store();
        }
    }
    void answer_block() {
        ++block_reads;
        const auto address = static_cast<std::uint16_t>(field(1, wire::kAddressDigits));
        const unsigned count = field(1 + wire::kAddressDigits, wire::kCountDigits);
        request_.clear();
        std::string text = block_reply_override;
        if (answers_blocks && unanswered_blocks > 0) {
            --unanswered_blocks;
            return;
        }
        if (answers_blocks) {
            std::vector<std::uint8_t> bytes;
            for (unsigned i = 0; i < count; ++i)
                bytes.push_back(memory[static_cast<std::uint16_t>(address + i)]);
            text = wire::block_reply_text(address, bytes);
            if (spoilt_blocks > 0) {
                --spoilt_blocks;
                text[text.size() - 2] = text[text.size() - 2] == '0' ? '1' : '0';
            } else if (unended_blocks > 0) {
                --unended_blocks;
                text.back() = 'A';
            }
        }
        if (text.empty()) return;
        reply(text);
    }
    void answer_speed() {
        const auto baud_register = static_cast<std::uint8_t>(field(1, wire::kSpeedDigits));
        request_.clear();
        if (!answers_speed) return;
        std::string text = wire::reply_text(baud_register);
        if (damaged_speed_replies > 0) {
            --damaged_speed_replies;
            text[1] = 'p';
        }
        long next = rate;
        for (const wire::LineRate known : {wire::kSlowLine, wire::kFastLine, wire::kFastestLine})
            if (known.baud_register == baud_register) next = known.baud;
        reply(text, next);
    }
    // `text` at the board's present rate, a few ticks later; the board then runs at `next_rate`.
    void reply(std::string text, long next_rate = 0) {
        const long sent_at = rate;
        clock_.after_ms(reply_delay_ticks, [this, text, sent_at, next_rate]() mutable {
            if (serial_.rate() != sent_at) text.assign(text.size(), '\0');
            // The board changes its rate once the reply has left: before the host has it.
            if (next_rate > 0) rate = next_rate;
            serial_.arrive(text);
        });
    }
    bool is_write() const {
        return std::string_view(request_).substr(1).starts_with(wire::kWriteMarker);
    }
    // The value of `digits` hexadecimal digits of the request from `pos`.
    unsigned field(std::size_t pos, std::size_t digits) const {
        unsigned value = 0;
        for (char c : request_.substr(pos, digits))
            value = value * 16 + static_cast<unsigned>(hex_digit_value(c));
        return value;
    }
    void answer_read() {
        ++reads;
        const unsigned address = field(1, wire::kAddressDigits);
        request_.clear();
        if (silent || silent_addresses.count(address) > 0) return;
        reply(reply_prefix + wire::reply_text(memory[address]));
    }
    void store() {
        ++writes;
        const std::size_t address_at = 1 + wire::kWriteMarker.size();
        const unsigned address = field(address_at, wire::kAddressDigits);
        memory[address] = static_cast<unsigned char>(
            field(address_at + wire::kAddressDigits, wire::kValueDigits));
        request_.clear();
    }

    FakeClock& clock_;
    FakeSerial& serial_;
    std::string request_;
    std::string typed_;
    bool modifying_ = false;
    unsigned modify_at_ = 0;
    bool loading_ = false;
    bool percent_ = false;     // a '%' came: another is a pause
    char register_field_ = 0;  // rm's sub-prompt waits at this register
};

}  // namespace halvane::fakes
