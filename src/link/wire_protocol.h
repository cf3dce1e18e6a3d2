#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvane::wire {

// The memory protocol spoken with the responder inside the program on the board.
//
//   read:   "*" AAAA           answered by "!" HH "@" (HH the byte at AAAA)
//   write:  "*" "FFFF" AAAA HH  no answer
//
// AAAA and HH are upper-case hexadecimal digits, high digit first. A "*" always starts a new
// request, so a responder recovers from noise at the next request.
inline constexpr char kRequestStart = '*';
inline constexpr std::string_view kWriteMarker = "FFFF";
inline constexpr char kReplyStart = '!';
inline constexpr char kReplyEnd = '@';
inline constexpr std::size_t kReadRequestLength = 5;
inline constexpr std::size_t kWriteRequestLength = 11;

constexpr bool is_hex_digit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
// 0 to 15 for a hexadecimal digit of either case, -1 for anything else.
constexpr int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The characters of a read request, one entry per position: "*" and the first four
// characters of the address. A position past the end of a short address is an empty
// entry: nothing goes on the line for it, but its tick is still waited.
std::vector<std::string> read_request(std::string_view address);

// The characters of a write request: "*", "FFFF", the first four characters of the
// address and the first two of the value, one entry per position.
std::vector<std::string> write_request(std::string_view value, std::string_view address);

// The value a reply carries, once the received text holds an "@": the text between the last
// "!" before the first "@" and that "@" (so a program's own output that ends in "!" does not
// spoil the reply), or, when no "!" stands before it, everything before the first "@".
// std::nullopt while no "@" has come.
std::optional<std::string> reply_value(std::string_view received);

}  // namespace halvane::wire
