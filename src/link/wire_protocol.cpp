#include "link/wire_protocol.h"

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

}  // namespace halvane::wire
