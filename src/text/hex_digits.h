#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halvane {

// Hexadecimal digits as people, the board's monitor, S-records and the memory protocol write
// them: either case is read, upper case is written.

constexpr bool is_hex_digit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// True when every character of `text` is a hexadecimal digit (an empty text has none that is not).
constexpr bool all_hex_digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), is_hex_digit);
}

// 0 to 15 for a hexadecimal digit of either case, -1 for anything else.
constexpr int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The unsigned value of 1 to 8 hexadecimal digits of either case; std::nullopt for anything else.
constexpr std::optional<std::uint32_t> hex_value(std::string_view digits) {
    if (digits.empty() || digits.size() > 8 || !all_hex_digits(digits)) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) value = value * 16 + static_cast<std::uint32_t>(hex_digit_value(c));
    return value;
}

// The upper-case digit of the low four bits of `value`.
constexpr char hex_digit_char(unsigned value) {
    return "0123456789ABCDEF"[value & 0xFu];
}

// `value` as exactly `digits` upper-case digits, high digit first (higher bits are dropped).
inline std::string hex_text(unsigned value, std::size_t digits) {
    std::string text(digits, '0');
    for (std::size_t i = digits; i-- > 0; value >>= 4) text[i] = hex_digit_char(value);
    return text;
}

}  // namespace halvane
