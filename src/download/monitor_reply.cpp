#include "download/monitor_reply.h"

#include <algorithm>
#include <cctype>

namespace halvane {

namespace {
bool contains_word(std::string_view line, std::string_view word) {
    const auto it = std::search(
        line.begin(), line.end(), word.begin(), word.end(),
        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    return it != line.end();
}
}  // namespace

void MonitorReplyWatch::feed(std::string_view text) {
    for (const char c : text) {
        if (confirmed_) return;
        // The board pads every line end with a NUL; it belongs to no line.
        if (c == '\0') continue;
        if (c == '\r' || c == '\n') {
            line_ended();
            continue;
        }
        if (c == '>') {
            // A prompt on the end-of-load line itself also counts.
            if (!end_of_load_seen_) line_ended();
            if (end_of_load_seen_) {
                confirmed_ = true;
                return;
            }
        }
        if (line_.size() < kLineLimit) line_.push_back(c);
    }
}

void MonitorReplyWatch::line_ended() {
    if (line_.empty()) return;
    const bool error = contains_word(line_, "error");
    if (error && !first_error_line_) first_error_line_ = line_;
    if (error || contains_word(line_, "done")) end_of_load_seen_ = true;
    line_.clear();
}

}  // namespace halvane
