#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
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

// The block read: up to 32 bytes in one request, copied by the responder at one moment.
//
//   block read:  "#" AAAA NN      answered by "!" D...D CCCC "@"
//
// NN (01 to 20) is the number of bytes; the reply carries them as 2*NN digits from AAAA
// upwards, the address wrapping from FFFF to 0000 (so a block can also read FFFF), followed
// by the four digits of block_check. The responder copies the bytes the moment the request's
// last digit arrives, with interrupts masked, so the block is one snapshot of the program's
// memory. A request with NN of 00 or above 20, or with any character that is not a hex digit,
// gets no answer; a "#" like a "*" always starts a new request.
inline constexpr char kBlockRequestStart = '#';
inline constexpr std::size_t kMaxBlockBytes = 32;
inline constexpr std::size_t kCountDigits = 2;
inline constexpr std::size_t kCheckDigits = 4;
inline constexpr std::size_t kBlockRequestLength = 1 + kAddressDigits + kCountDigits;

// The whole text of a block read of `count` bytes from `address`: "#AAAANN". `count` is
// written as it is (two digits): the caller keeps it within 1 to kMaxBlockBytes.
std::string block_request_text(std::uint16_t address, std::size_t count);
// The check of a block reply: two running sums over the address's high byte, its low byte,
// the byte count and the bytes, in that order. For each byte s1 = (s1 + byte) mod 256, then
// s2 = (s2 + s1) mod 256, both starting at 0; s1 is the high byte of the result, s2 the low.
std::uint16_t block_check(std::uint16_t address, std::span<const std::uint8_t> bytes);
// The responder's reply to a block read of `bytes` from `address`: "!" data check "@".
std::string block_reply_text(std::uint16_t address, std::span<const std::uint8_t> bytes);

// What a block reply's value (the text reply_value cuts out) carries for a block read of
// `count` bytes from `address`: the bytes when the value is 2*count+4 hex digits of either
// case and its check is right, otherwise no bytes and the reason.
struct BlockReply {
    enum class Problem { kNone, kWrongLength, kNotHex, kBadCheck };
    Problem problem = Problem::kNone;
    std::vector<std::uint8_t> bytes;
};
BlockReply parse_block_reply(std::string_view value, std::uint16_t address, std::size_t count);

// The speed request: the interrupt-driven responder switches the line to another rate.
//
//   speed:  "=" BB   answered by "!" BB "@" at the present rate
//
// BB is the value for the board's BAUD register (two hex digits). Once its reply's last
// character has left the line, the responder writes BAUD. At a rate faster than 9600 it goes
// back to 9600 by itself on the first character received with a framing error or noise, on a
// request that fails to parse, and on "=30" (answered at the fast rate first). A NUL sent at 9600
// reaches a fast receiver with a framing error, so a NUL is how the host brings it back; the
// board's monitor ignores one at its prompt.
inline constexpr char kSpeedRequestStart = '=';
inline constexpr std::size_t kSpeedDigits = 2;
inline constexpr std::size_t kSpeedRequestLength = 1 + kSpeedDigits;
inline constexpr char kLineReset = '\0';

// A rate both ends can run at: the BAUD value that sets it on the board (its 2 MHz E clock divided
// by 16, a prescaler and a power of two) and the rate the host's port is set to.
struct LineRate {
    std::uint8_t baud_register = 0x30;
    long baud = 9600;
};
// 9615 baud on the board: within 0.2 % of 9600. Every download and every program run starts here.
inline constexpr LineRate kSlowLine{0x30, 9600};
inline constexpr LineRate kFastLine{0x01, 62'500};
inline constexpr LineRate kFastestLine{0x00, 125'000};

// The whole text of a speed request for `rate`: "=BB".
std::string speed_request_text(LineRate rate);
// Whether a reply's value (the text reply_value cuts out) is the responder's agreement to the
// speed request for `rate`: exactly its two digits, of either case.
bool speed_reply_agrees(std::string_view value, LineRate rate);

}  // namespace halvane::wire
