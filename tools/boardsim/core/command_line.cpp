#include "core/command_line.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "text/hex_digits.h"

namespace boardsim {
namespace {

using Command = CommandLine::Command;

constexpr std::array<std::pair<std::string_view, Command>, 10> kNames = {{
    {"md", Command::kMemoryDisplay},
    {"mm", Command::kMemoryModify},
    {"rm", Command::kRegisterModify},
    {"br", Command::kBreakpoints},
    {"go", Command::kGo},
    {"p", Command::kProceed},
    {"t", Command::kTrace},
    {"stopat", Command::kStopAt},
    {"help", Command::kHelp},
    {"load", Command::kLoad},
}};

Command command_named(std::string_view word) {
    Command found = Command::kUnknown;
    for (const auto& [name, command] : kNames) {
        if (!name.starts_with(word)) continue;
        if (found != Command::kUnknown) return Command::kUnknown;  // two commands begin so
        found = command;
    }
    return found;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::optional<CommandLine> parse_command_line(std::string_view line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        words.emplace_back(line.substr(start, end - start));
        at = end;
    }
    if (words.empty()) return std::nullopt;
    CommandLine parsed;
    parsed.word = words.front();
    parsed.command = command_named(lower(parsed.word));
    for (std::size_t i = 1; i < words.size(); ++i) parsed.arguments.push_back(lower(words[i]));
    return parsed;
}

std::optional<std::uint16_t> parse_hex_word(std::string_view text) {
    if (text.empty() || text.size() > 4 ||
        !std::all_of(text.begin(), text.end(), halvane::is_hex_digit)) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (char c : text) value = value * 16 + static_cast<unsigned>(halvane::hex_digit_value(c));
    return static_cast<std::uint16_t>(value);
}

}  // namespace boardsim
