#include "link/wire_protocol.h"

namespace halvane::wire {

namespace {
// Appends one entry for each of the first `count` positions of `text`.
void add_positions(std::vector<std::string>& out, std::string_view text, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(i < text.size() ? std::string(1, text[i]) : std::string());
}
}  // namespace

std::vector<std::string> read_request(std::string_view address) {
    std::vector<std::string> out{std::string(1, kRequestStart)};
    add_positions(out, address, 4);
    return out;
}

std::vector<std::string> write_request(std::string_view value, std::string_view address) {
    std::vector<std::string> out{std::string(1, kRequestStart)};
    add_positions(out, kWriteMarker, kWriteMarker.size());
    add_positions(out, address, 4);
    add_positions(out, value, 2);
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
