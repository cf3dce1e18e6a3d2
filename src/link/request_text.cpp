#include "link/request_text.h"

namespace halvane {

namespace {
// Appends one entry for each of the first `count` positions of `text`.
void add_positions(std::vector<std::string>& out, std::string_view text, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(i < text.size() ? std::string(1, text[i]) : std::string());
}
}  // namespace

std::vector<std::string> read_request(std::string_view address) {
    std::vector<std::string> out{"*"};
    add_positions(out, address, 4);
    return out;
}

std::vector<std::string> write_request(std::string_view value, std::string_view address) {
    std::vector<std::string> out{"*", "F", "F", "F", "F"};
    add_positions(out, address, 4);
    add_positions(out, value, 2);
    return out;
}

std::optional<std::string> reply_value(std::string_view received) {
    const std::size_t at = received.find('@');
    if (at == std::string_view::npos) return std::nullopt;
    const std::size_t bang = received.find('!');
    if (bang != std::string_view::npos && bang < at)
        return std::string(received.substr(bang + 1, at - bang - 1));
    return std::string(received.substr(0, at));
}

}  // namespace halvane
