#include "core/traffic_log.h"

#include <cstdio>

namespace boardsim {
namespace {

constexpr std::size_t kMaxGroup = 16;
constexpr int kTextColumn = 24;

std::string timestamp(Nanos at) {
    char text[32];
    const long long micros = at.count() / 1000;
    std::snprintf(text, sizeof text, "%9lld.%06lld", micros / 1'000'000, micros % 1'000'000);
    return text;
}

std::string quoted(std::string_view bytes) {
    std::string out = "\"";
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out + "\"";
}

}  // namespace

std::string TrafficLog::format_group(Direction direction, std::string_view bytes, Nanos at) {
    std::string line = timestamp(at);
    line += direction == Direction::kReceived ? "  PC->board  " : "  board->PC  ";
    std::string text = quoted(bytes);
    if (text.size() < kTextColumn) text.resize(kTextColumn, ' ');
    line += text;
    for (char c : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>(c));
        line += hex;
    }
    return line;
}

std::string TrafficLog::format_note(std::string_view text, Nanos at) {
    return timestamp(at) + "  ---------  " + std::string(text);
}

void TrafficLog::byte(Direction direction, std::uint8_t value, Nanos at) {
    flush_if_idle(at);  // an older group of the other direction goes first
    Group& g = group(direction);
    // A '*' from the PC starts a memory request: it gets a line of its own.
    const bool continues = !g.bytes.empty() && at - g.last <= gap_ && g.bytes.size() < kMaxGroup &&
                           g.bytes.back() != '\n' && (g.bytes.back() != '\r' || value == '\n') &&
                           !(direction == Direction::kReceived && value == '*');
    if (!continues) {
        write(direction);
        g.start = at;
    }
    g.bytes.push_back(static_cast<char>(value));
    g.last = at;
}

void TrafficLog::write(Direction direction) {
    Group& g = group(direction);
    if (g.bytes.empty()) return;
    out_ << format_group(direction, g.bytes, g.start) << '\n';
    out_.flush();
    g.bytes.clear();
}

void TrafficLog::note(std::string_view text, Nanos at) {
    flush_if_idle(at);
    flush();
    out_ << format_note(text, at) << '\n';
    out_.flush();
}

void TrafficLog::flush_if_idle(Nanos now) {
    for (Direction d : {Direction::kReceived, Direction::kSent}) {
        if (!group(d).bytes.empty() && now - group(d).last > gap_) write(d);
    }
}

std::optional<Nanos> TrafficLog::idle_deadline() const {
    std::optional<Nanos> deadline;
    for (const Group& g : groups_) {
        if (g.bytes.empty()) continue;
        const Nanos due = g.last + gap_ + Nanos{1};
        if (!deadline || due < *deadline) deadline = due;
    }
    return deadline;
}

void TrafficLog::flush() {
    // The older group first, so the lines stay in time order.
    const bool sent_first = !groups_[1].bytes.empty() &&
                            (groups_[0].bytes.empty() || groups_[1].start < groups_[0].start);
    write(sent_first ? Direction::kSent : Direction::kReceived);
    write(sent_first ? Direction::kReceived : Direction::kSent);
}

}  // namespace boardsim
