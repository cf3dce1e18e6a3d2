#pragma once

#include <cstddef>
#include <cstdint>
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
// The write marker stands where a read's address would: address FFFF cannot be read.
inline constexpr std::uint16_t kWriteMarkerAddress = 0xFFFF;
inline constexpr char kReplyStart = '!';
inline constexpr char kReplyEnd = '@';
inline constexpr std::size_t kAddressDigits = 4;
inline constexpr std::size_t kValueDigits = 2;
inline constexpr std::size_t kReadRequestLength = 1 + kAddressDigits;
inline constexpr std::size_t kWriteRequestLength =
    1 + kWriteMarker.size() + kAddressDigits + kValueDigits;
inline constexpr std::size_t kReplyLength = 1 + kValueDigits + 1;

// The whole text of a read request of `address`: "*AAAA".
std::string read_request_text(std::uint16_t address);
// The whole text of a write request of `value` to `address`: "*FFFFAAAAHH".
std::string write_request_text(std::uint16_t address, std::uint8_t value);
// The responder's reply carrying `value`: "!HH@".
std::string reply_text(std::uint8_t value);

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
