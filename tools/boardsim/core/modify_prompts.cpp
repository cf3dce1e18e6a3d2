#include "core/modify_prompts.h"

#include <cctype>

#include "core/monitor_text.h"
#include "text/hex_digits.h"

namespace boardsim {

using monitor_text::hex2;
using monitor_text::hex4;

ModifyPrompt::Reply ModifyPrompt::feed(std::uint8_t byte) {
    const char c = static_cast<char>(byte);
    if (c == '\r' || c == '\n') {
        if (!typed_.empty()) store(static_cast<unsigned>(std::stoul(typed_, nullptr, 16)));
        return {std::string(monitor_text::kLineEnd), true};
    }
    if (c == ' ') {
        if (!typed_.empty()) store(static_cast<unsigned>(std::stoul(typed_, nullptr, 16)));
        typed_.clear();
        return {" " + next_field()};
    }
    if (c == '\b' || byte == 0x7F) {
        if (typed_.empty()) return {};
        typed_.pop_back();
        return {"\b \b"};
    }
    if (!halvane::is_hex_digit(c) || typed_.size() >= width()) return {};
    typed_.push_back(c);
    return {std::string(1, c)};
}

std::string MemoryModifyPrompt::opening() const {
    return hex4(address_) + " " + value_shown();
}

std::string MemoryModifyPrompt::value_shown() const {
    return hex2(memory_.read(address_)) + " ";
}

void MemoryModifyPrompt::store(unsigned value) {
    memory_.write(address_, static_cast<std::uint8_t>(value));
}

std::string MemoryModifyPrompt::next_field() {
    ++address_;
    return value_shown();
}

std::optional<std::size_t> RegisterModifyPrompt::field_named(std::string_view name) {
    if (name.size() != 1) return std::nullopt;
    const std::size_t field =
        kNames.find(static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))));
    if (field == std::string_view::npos) return std::nullopt;
    return field;
}

std::string RegisterModifyPrompt::opening() const {
    return monitor_text::register_line(registers_) + std::string(monitor_text::kLineEnd) +
           field_shown();
}

std::size_t RegisterModifyPrompt::width() const {
    switch (kNames[field_]) {
        case 'A':
        case 'B':
        case 'C':
            return 2;
        default:
            return 4;
    }
}

std::string RegisterModifyPrompt::field_shown() const {
    const hc11::Registers& r = registers_;
    const char name = kNames[field_];
    std::string value;
    switch (name) {
        case 'P':
            value = hex4(r.pc);
            break;
        case 'Y':
            value = hex4(r.y);
            break;
        case 'X':
            value = hex4(r.x);
            break;
        case 'A':
            value = hex2(r.a);
            break;
        case 'B':
            value = hex2(r.b);
            break;
        case 'C':
            value = hex2(r.ccr);
            break;
        default:
            value = hex4(r.sp);
            break;
    }
    return std::string(1, name) + "-" + value + " ";
}

void RegisterModifyPrompt::store(unsigned value) {
    hc11::Registers& r = registers_;
    const auto word = static_cast<std::uint16_t>(value);
    const auto byte = static_cast<std::uint8_t>(value);
    switch (kNames[field_]) {
        case 'P':
            r.pc = word;
            break;
        case 'Y':
            r.y = word;
            break;
        case 'X':
            r.x = word;
            break;
        case 'A':
            r.a = byte;
            break;
        case 'B':
            r.b = byte;
            break;
        case 'C':
            r.ccr = byte;
            break;
        default:
            r.sp = word;
            break;
    }
}

std::string RegisterModifyPrompt::next_field() {
    field_ = (field_ + 1) % kNames.size();
    return field_shown();
}

}  // namespace boardsim
