#include "link/paced_request.h"

#include <algorithm>
#include <utility>

namespace halvane {

void PacedRequest::start(std::vector<std::string> characters) {
    characters_ = std::move(characters);
    next_ = 0;
}

bool PacedRequest::send_next(Line& line) {
    const std::string& c = characters_[next_++];
    // The character is on its way from the moment it is handed over.
    last_sent_ns_ = line.now_ns();
    tick_ns_ = pacing_ns(line);
    if (!c.empty() && !line.write(c)) return false;
    line.wake_at(tick_end_ns());
    return true;
}

bool PacedRequest::tick_over(Line& line) const {
    if (line.now_ns() >= tick_end_ns()) return true;
    line.wake_at(tick_end_ns());
    return false;
}

std::int64_t pacing_ns(const Line& line) {
    const std::int64_t character_ns = line.character_ns();
    return character_ns > 0 ? std::min(kTickNs, character_ns) : kTickNs;
}

std::vector<std::string> request_positions(const std::string& text) {
    std::vector<std::string> positions;
    for (const char c : text) positions.emplace_back(1, c);
    return positions;
}

}  // namespace halvane
