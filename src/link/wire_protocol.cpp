#include "link/wire_protocol.h"

#include <utility>

#include "text/hex_digits.h"

namespace halvane::wire {

namespace {
// Appends one entry for each of the first `count` positions of `text`.
void add_positions(std::vector<std::string>& out, std::string_view text, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(i < text.size() ? std::string(1, text[i]) : std::string());
}
}  // namespace

std::string read_request_text(std::uint16_t address) {
    return kRequestStart + hex_text(address, kAddressDigits);
}

std::string write_request_text(std::uint16_t address, std::uint8_t value) {
    return kRequestStart + std::string(kWriteMarker) + hex_text(address, kAddressDigits) +
           hex_text(value, kValueDigits);
}

std::string reply_text(std::uint8_t value) {
    return kReplyStart + hex_text(value, kValueDigits) + kReplyEnd;
}

std::vector<std::string> read_request(std::string_view address) {
    std::vector<std::string> out{std::string(1, kRequestStart)};
    add_positions(out, address, kAddressDigits);
    return out;
}

std::vector<std::string> write_request(std::string_view value, std::string_view address) {
    std::vector<std::string> out{std::string(1, kRequestStart)};
    add_positions(out, kWriteMarker, kWriteMarker.size());
    add_positions(out, address, kAddressDigits);
    add_positions(out, value, kValueDigits);
    return out;
}

std::optional<std::string> reply_value(std::string_view received) {
    const std::size_t end = received.find(kReplyEnd);
    if (end == std::string_view::npos) return std::nullopt;
    const std::size_t start = received.rfind(kReplyStart, end);
    if (start == std::string_view::npos) return std::string(received.substr(0, end));
    return std::string(received.substr(start + 1, end - start - 1));
}

std::string block_request_text(std::uint16_t address, std::size_t count) {
    return kBlockRequestStart + hex_text(address, kAddressDigits) +
           hex_text(static_cast<unsigned>(count), kCountDigits);
}

std::uint16_t block_check(std::uint16_t address, std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    unsigned sum_of_sums = 0;
    auto add = [&](unsigned byte) {
        sum = (sum + byte) & 0xFFu;
        sum_of_sums = (sum_of_sums + sum) & 0xFFu;
    };
    add(address >> 8);
    add(address & 0xFFu);
    add(static_cast<unsigned>(bytes.size()) & 0xFFu);
    for (const std::uint8_t byte : bytes) add(byte);
    return static_cast<std::uint16_t>(sum << 8 | sum_of_sums);
}

std::string block_reply_text(std::uint16_t address, std::span<const std::uint8_t> bytes) {
    std::string text(1, kReplyStart);
    for (const std::uint8_t byte : bytes) text += hex_text(byte, kValueDigits);
    return text + hex_text(block_check(address, bytes), kCheckDigits) + kReplyEnd;
}

BlockReply parse_block_reply(std::string_view value, std::uint16_t address, std::size_t count) {
    if (value.size() != count * kValueDigits + kCheckDigits) {
        return {BlockReply::Problem::kWrongLength, {}};
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(count);
    unsigned check = 0;
    for (std::size_t i = 0; i < value.size(); i += 2) {
        const int high = hex_digit_value(value[i]);
        const int low = hex_digit_value(value[i + 1]);
        if (high < 0 || low < 0) return {BlockReply::Problem::kNotHex, {}};
        const auto byte = static_cast<std::uint8_t>(high << 4 | low);
        if (bytes.size() < count) {
            bytes.push_back(byte);
        } else {
            check = check << 8 | byte;
        }
    }
    if (check != block_check(address, bytes)) return {BlockReply::Problem::kBadCheck, {}};
    return {BlockReply::Problem::kNone, std::move(bytes)};
}

std::string speed_request_text(LineRate rate) {
    return kSpeedRequestStart + hex_text(rate.baud_register, kSpeedDigits);
}

bool speed_reply_agrees(std::string_view value, LineRate rate) {
    if (value.size() != kSpeedDigits) return false;
    const int high = hex_digit_value(value[0]);
    const int low = hex_digit_value(value[1]);
    return high >= 0 && low >= 0 && (high << 4 | low) == rate.baud_register;
}

}  // namespace halvane::wire
