#include "link/monitor_dialogue.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "text/hex_digits.h"

namespace halvane::monitor {

namespace {

// `digits` hexadecimal digits at `text`'s start, as a number.
std::optional<unsigned> hex_field(std::string_view text, std::size_t digits) {
    if (text.size() < digits) return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int digit = hex_digit_value(text[i]);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<unsigned>(digit);
    }
    return value;
}

// Reads the fields of a line one after the other, each after at least one space.
class FieldReader {
  public:
    explicit FieldReader(std::string_view line) : rest_(line) {}

    // A field of exactly `digits` hex digits, after the spaces before it.
    std::optional<unsigned> hex(std::size_t digits) {
        skip_spaces();
        const std::optional<unsigned> value = hex_field(rest_, digits);
        if (!value) return std::nullopt;
        rest_.remove_prefix(digits);
        if (!rest_.empty() && rest_.front() != ' ') return std::nullopt;
        return value;
    }
    // "P-2424": the register's letter, a dash and its digits.
    std::optional<unsigned> named(char letter, std::size_t digits) {
        skip_spaces();
        if (rest_.size() < 2 || std::toupper(static_cast<unsigned char>(rest_[0])) != letter ||
            rest_[1] != '-')
            return std::nullopt;
        rest_.remove_prefix(2);
        return hex(digits);
    }
    bool at_end() {
        skip_spaces();
        return rest_.empty();
    }

  private:
    void skip_spaces() {
        while (!rest_.empty() && rest_.front() == ' ') rest_.remove_prefix(1);
    }
    std::string_view rest_;
};

// `text` as typed, with the CR that ends a command. (Appended rather than added with +, which
// GCC 12 warns about wrongly when a literal is added to a temporary string.)
std::string typed(std::string text) {
    text.append(kLineEnd);
    return text;
}

// The digits of `value` in hexadecimal without leading zeros, as the monitor takes a count.
std::string hex_count(unsigned value) {
    std::size_t digits = 1;
    while (digits < 8 && (value >> (4 * digits)) != 0) ++digits;
    return hex_text(value, digits);
}

}  // namespace

std::string memory_dump_command(std::uint16_t first, std::uint16_t last) {
    return typed("md " + hex_text(first, 4) + " " + hex_text(last, 4));
}

std::string memory_modify_command(std::uint16_t address) {
    return typed("mm " + hex_text(address, 4));
}

std::string go_command(std::optional<std::uint16_t> address) {
    return typed(address ? "g " + hex_text(*address, 4) : std::string("g"));
}

std::string trace_command(unsigned count) {
    return typed(count <= 1 ? std::string("t") : "t " + hex_count(count));
}

std::string proceed_command() {
    return typed("p");
}

std::string register_command() {
    return typed("rm");
}

std::string clear_breakpoints_command() {
    return typed("br -");
}

std::string set_breakpoints_command(std::span<const std::uint16_t> addresses) {
    std::string command = "br";
    for (const std::uint16_t address : addresses) {
        command += ' ';
        command += hex_text(address, 4);
    }
    return typed(std::move(command));
}

std::string sub_prompt_value(unsigned value, std::size_t digits, bool go_on) {
    return hex_text(value, digits) + (go_on ? " " : std::string(kLineEnd));
}

std::uint16_t dump_line_start(std::uint16_t address) {
    return static_cast<std::uint16_t>(address & ~0xFu);
}

std::optional<DumpLine> parse_dump_line(std::string_view line) {
    FieldReader fields(line);
    const std::optional<unsigned> address = fields.hex(4);
    if (!address || (*address & 0xFu) != 0) return std::nullopt;
    DumpLine dump;
    dump.address = static_cast<std::uint16_t>(*address);
    for (std::uint8_t& byte : dump.bytes) {
        const std::optional<unsigned> value = fields.hex(2);
        if (!value) return std::nullopt;
        byte = static_cast<std::uint8_t>(*value);
    }
    // The bytes as characters follow; they are not read.
    return dump;
}

std::optional<ModifyPrompt> parse_modify_prompt(std::string_view line) {
    FieldReader fields(line);
    const std::optional<unsigned> address = fields.hex(4);
    const std::optional<unsigned> value = address ? fields.hex(2) : std::nullopt;
    if (!value || !fields.at_end()) return std::nullopt;
    return ModifyPrompt{static_cast<std::uint16_t>(*address), static_cast<std::uint8_t>(*value)};
}

std::optional<Registers> parse_register_line(std::string_view line) {
    FieldReader fields(line);
    const auto pc = fields.named('P', 4);
    const auto y = pc ? fields.named('Y', 4) : std::nullopt;
    const auto x = y ? fields.named('X', 4) : std::nullopt;
    const auto a = x ? fields.named('A', 2) : std::nullopt;
    const auto b = a ? fields.named('B', 2) : std::nullopt;
    const auto ccr = b ? fields.named('C', 2) : std::nullopt;
    const auto sp = ccr ? fields.named('S', 4) : std::nullopt;
    if (!sp || !fields.at_end()) return std::nullopt;
    return Registers{static_cast<std::uint16_t>(*pc), static_cast<std::uint16_t>(*y),
                     static_cast<std::uint16_t>(*x),  static_cast<std::uint8_t>(*a),
                     static_cast<std::uint8_t>(*b),   static_cast<std::uint8_t>(*ccr),
                     static_cast<std::uint16_t>(*sp)};
}

std::string register_line_text(const Registers& r) {
    return "P-" + hex_text(r.pc, 4) + " Y-" + hex_text(r.y, 4) + " X-" + hex_text(r.x, 4) + " A-" +
           hex_text(r.a, 2) + " B-" + hex_text(r.b, 2) + " C-" + hex_text(r.ccr, 2) + " S-" +
           hex_text(r.sp, 4) + " ";
}

std::optional<Registers> find_register_line(std::string_view line) {
    for (std::size_t at = line.rfind("P-"); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : line.rfind("P-", at - 1)) {
        if (auto registers = parse_register_line(line.substr(at))) return registers;
    }
    return std::nullopt;
}

bool sub_prompt_waiting(std::string_view partial_line) {
    if (partial_line.empty() || partial_line.back() != ' ') return false;
    if (parse_modify_prompt(partial_line)) return true;
    // rm's: one register's letter, a dash and its value.
    const auto register_prompt = [partial_line](char letter, std::size_t digits) {
        FieldReader fields(partial_line);
        return fields.named(letter, digits) && fields.at_end();
    };
    for (const char letter : {'P', 'Y', 'X', 'S'}) {
        if (register_prompt(letter, 4)) return true;
    }
    for (const char letter : {'A', 'B', 'C'}) {
        if (register_prompt(letter, 2)) return true;
    }
    return false;
}

bool starts_program(std::string_view line) {
    const std::size_t begin = line.find_first_not_of(' ');
    if (begin == std::string_view::npos) return false;
    line.remove_prefix(begin);
    const std::string_view word = line.substr(0, line.find(' '));
    std::string lower(word);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower == "g" || lower == "go" || lower == "p";
}

std::vector<Transcript::Event> Transcript::feed(std::string_view text) {
    std::vector<Event> events;
    for (const char c : text) {
        if (c == kPadding) continue;
        if (c == '\r' || c == '\n') {
            // CR LF is one line end; an LF alone or a CR alone ends a line too.
            const bool second_half = c == '\n' && after_cr_ && line_.empty();
            after_cr_ = c == '\r';
            if (second_half) continue;
            events.push_back({Event::Kind::kLine, std::move(line_)});
            line_.clear();
            continue;
        }
        after_cr_ = false;
        if (c == kPrompt && line_.empty()) events.push_back({Event::Kind::kPrompt, {}});
        if (line_.size() < kLineLimit) line_.push_back(c);
    }
    return events;
}

std::string Transcript::readable(std::string_view text) {
    std::string shown(text);
    shown.erase(std::remove(shown.begin(), shown.end(), kPadding), shown.end());
    return shown;
}

void Transcript::reset() {
    line_.clear();
    after_cr_ = false;
}

}  // namespace halvane::monitor
