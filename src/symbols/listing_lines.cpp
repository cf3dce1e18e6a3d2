#include "symbols/listing_lines.h"

#include <algorithm>
#include <array>
#include <optional>

#include "text/hex_digits.h"

namespace halvane {

namespace {

constexpr int kNoNumber = 0;

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view without_suffix(std::string_view token, char suffix) {
    return !token.empty() && token.back() == suffix ? token.substr(0, token.size() - 1) : token;
}

// A decimal source line number, with the '/' or ':' some assemblers print after it.
std::optional<int> line_number(std::string_view token) {
    if (!token.empty() && (token.back() == '/' || token.back() == ':')) token.remove_suffix(1);
    if (token.empty() || token.size() > 7) return std::nullopt;
    int value = 0;
    for (const char c : token) {
        if (!is_digit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool is_location(std::string_view token) {
    token = without_suffix(token, ':');
    return token.size() >= 4 && hex_value(token).has_value();
}

bool is_byte(std::string_view token) {
    return token.size() == 2 && hex_value(token).has_value();
}

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

// Splits off the next blank-separated token of `rest`.
std::string_view next_token(std::string_view& rest) {
    std::size_t start = 0;
    while (start < rest.size() && is_blank(rest[start])) ++start;
    std::size_t end = start;
    while (end < rest.size() && !is_blank(rest[end])) ++end;
    const std::string_view token = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return token;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

// The columns left of the source text, as read from one listing line.
struct Columns {
    int number = kNoNumber;
    std::optional<std::uint32_t> location;
    std::uint32_t bytes = 0;
    std::optional<std::string_view> source;  // absent on a line that continues another
};

// GNU as: everything before the first tab is columns, everything after it source.
std::optional<Columns> gnu_columns(std::string_view line) {
    const std::size_t tab = line.find('\t');
    std::string_view rest = line.substr(0, tab);
    Columns columns;
    const auto number = line_number(next_token(rest));
    if (!number) return std::nullopt;
    columns.number = *number;
    std::string_view token = next_token(rest);
    if (!token.empty() && token.size() >= 4) {
        columns.location = hex_value(token);
        if (!columns.location) return std::nullopt;
        token = next_token(rest);
    }
    for (; !token.empty(); token = next_token(rest)) {
        if (!is_byte(token)) return std::nullopt;
        ++columns.bytes;
    }
    if (tab != std::string_view::npos) columns.source = line.substr(tab + 1);
    return columns;
}

// Other assemblers: an optional number, the location (a lone ':' may follow it), bytes
// separated by single blanks; a tab or a wider gap after a byte ends the columns, and so does
// a token that is no byte.
std::optional<Columns> absolute_columns(std::string_view line) {
    std::string_view rest = line;
    Columns columns;
    std::string_view first = next_token(rest);
    std::string_view after_first = rest;
    std::string_view second = next_token(after_first);
    if (const auto number = line_number(first); number && is_location(second)) {
        columns.number = *number;
        first = second;
        rest = after_first;
    } else if (number && !is_location(first)) {
        // A line number alone, or with bytes that continue the line before.
        columns.number = *number;
        std::string_view bytes = rest;
        for (std::string_view token = next_token(bytes); !token.empty();
             token = next_token(bytes)) {
            if (!is_byte(token)) {
                columns.source = trimmed(rest);
                return columns;
            }
            ++columns.bytes;
        }
        if (columns.bytes == 0) columns.source = std::string_view{};
        return columns;
    }
    if (!is_location(first)) return std::nullopt;
    columns.location = hex_value(without_suffix(first, ':'));
    if (std::string_view ahead = rest; next_token(ahead) == ":") rest = ahead;
    while (!rest.empty()) {
        const bool wide_gap = rest[0] == '\t' || (rest.size() >= 2 && is_blank(rest[1]));
        std::string_view ahead = rest;
        const std::string_view token = next_token(ahead);
        if ((wide_gap && columns.bytes > 0) || !is_byte(token)) break;
        ++columns.bytes;
        rest = ahead;
    }
    columns.source = trimmed(rest);
    return columns;
}

// A line in GNU as's shape: a right-aligned number in at least four columns, then only hex
// digits and blanks up to a tab.
bool gnu_shaped(std::string_view line) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab < 5) return false;
    std::size_t i = 0;
    while (i < tab && line[i] == ' ') ++i;
    const std::size_t digits_start = i;
    while (i < tab && is_digit(line[i])) ++i;
    if (i == digits_start || i < 4 || line[i] != ' ') return false;
    for (; i < tab; ++i) {
        if (line[i] != ' ' && !hex_value(line.substr(i, 1))) return false;
    }
    return true;
}

bool is_gnu_heading(std::string_view line) {
    if (!line.empty() && line.front() == '\f') line.remove_prefix(1);
    const std::size_t page = line.rfind("page ");
    return line.find("GAS ") != std::string_view::npos && page != std::string_view::npos &&
           line_number(line.substr(page + 5)).has_value();
}

std::vector<std::string_view> split_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

ListingLayout layout_of(const std::vector<std::string_view>& lines) {
    std::size_t shaped = 0;
    std::size_t numbered = 0;
    for (const std::string_view line : lines) {
        if (is_gnu_heading(line)) return ListingLayout::kSectionOffsets;
        std::string_view rest = line;
        if (!line_number(next_token(rest))) continue;
        ++numbered;
        if (gnu_shaped(line)) ++shaped;
    }
    return numbered > 0 && shaped * 2 > numbered ? ListingLayout::kSectionOffsets
                                                 : ListingLayout::kAbsoluteAddresses;
}

// The source text's label, operation and operand; comments left out.
struct Statement {
    std::string label;
    std::string operation;  // lower case
    std::string_view operand;
};

Statement statement_of(std::string_view source) {
    Statement statement;
    const std::string_view text = trimmed(source);
    if (text.empty() || text.front() == ';' || text.front() == '*') return statement;
    std::string_view rest = text;
    std::string_view token = next_token(rest);
    if (token.size() > 1 && token.back() == ':') {
        statement.label = std::string(token.substr(0, token.size() - 1));
        token = next_token(rest);
    }
    if (!token.empty() && token.front() == ';') return statement;
    statement.operation = lower(token);
    const std::string_view operand = rest.substr(0, rest.find(';'));
    statement.operand = trimmed(operand);
    return statement;
}

bool is_data_operation(std::string_view operation) {
    static constexpr auto kData = std::to_array<std::string_view>(
        {"byte",  "word",  "hword",  "short", "2byte", "4byte", "long", "int", "quad",
         "ascii", "asciz", "string", "space", "skip",  "fill",  "zero", "fcb", "fdb",
         "fcc",   "fqb",   "rmb",    "zmb",   "bsz",   "db",    "dw",   "dc",  "dc.b",
         "dc.w",  "dc.l",  "ds",     "ds.b",  "ds.w",  "dfb",   "dfw",  "dfs", "fdc"});
    if (!operation.empty() && operation.front() == '.') operation.remove_prefix(1);
    return std::find(kData.begin(), kData.end(), operation) != kData.end();
}

// The name an operand gives a section or a file: its first word, quotes and brackets off.
std::string operand_name(std::string_view operand) {
    operand = trimmed(operand);
    if (!operand.empty() && (operand.front() == '"' || operand.front() == '<')) {
        const char close = operand.front() == '"' ? '"' : '>';
        operand.remove_prefix(1);
        return std::string(operand.substr(0, operand.find(close)));
    }
    std::string_view rest = operand;
    const std::string_view word = next_token(rest);
    return std::string(word.substr(0, word.find(',')));
}

bool is_include(std::string_view operation) {
    return operation == ".include" || operation == "include" || operation == "#include";
}

// The sections GNU as switches between, as the directives in the source text say.
class SectionTracker {
  public:
    const std::string& current() const { return current_; }

    void follow(const Statement& statement) {
        const std::string& op = statement.operation;
        if (op == ".text" || op == ".data" || op == ".bss") {
            enter(op);
        } else if (op == ".section") {
            const std::string name = operand_name(statement.operand);
            if (!name.empty()) enter(name);
        } else if (op == ".pushsection") {
            const std::string name = operand_name(statement.operand);
            if (name.empty()) return;
            pushed_.push_back(current_);
            enter(name);
        } else if (op == ".popsection" && !pushed_.empty()) {
            enter(pushed_.back());
            pushed_.pop_back();
        } else if (op == ".previous") {
            std::swap(current_, previous_);
        }
    }

  private:
    void enter(const std::string& name) {
        previous_ = current_;
        current_ = name;
    }

    std::string current_ = ".text";
    std::string previous_ = ".text";
    std::vector<std::string> pushed_;
};

// Which file each numbered line comes from, following include directives.
class IncludeTracker {
  public:
    explicit IncludeTracker(std::vector<std::string>& names) : names_(names) {}

    std::uint16_t file() const { return current_.file; }

    // A numbered line that does not continue the one before.
    void at_line(int number) {
        if (number != current_.last + 1) {
            for (auto frame = including_.rbegin(); frame != including_.rend(); ++frame) {
                if (frame->last + 1 != number) continue;
                current_ = *frame;
                including_.erase(std::next(frame).base(), including_.end());
                break;
            }
        }
        current_.last = number;
    }

    void include(const std::string& name) {
        if (name.empty()) return;
        auto known = std::find(names_.begin(), names_.end(), name);
        if (known == names_.end()) {
            // File numbers are 16 bits; a listing naming more files keeps the rest in the last.
            if (names_.size() >= 0xFFFE) return;
            names_.push_back(name);
            known = names_.end() - 1;
        }
        including_.push_back(current_);
        current_ = {static_cast<std::uint16_t>(known - names_.begin() + 1), 0};
    }

  private:
    struct Frame {
        std::uint16_t file = 0;
        int last = 0;  // the last line number seen in the file
    };
    std::vector<std::string>& names_;
    Frame current_;
    std::vector<Frame> including_;
};

}  // namespace

ParsedListing parse_listing(std::string_view text) {
    const std::vector<std::string_view> lines = split_lines(text);
    ParsedListing parsed;
    parsed.layout = layout_of(lines);
    parsed.file_of_line.reserve(lines.size());
    const bool gnu = parsed.layout == ListingLayout::kSectionOffsets;
    SectionTracker sections;
    IncludeTracker files(parsed.included_files);
    int last_number = kNoNumber;
    int last_numbered_line = 0;  // the listing line that last number came with

    for (std::size_t index = 0; index < lines.size(); ++index) {
        const int listing_line = static_cast<int>(index) + 1;
        const auto columns = gnu ? gnu_columns(lines[index]) : absolute_columns(lines[index]);
        if (!columns) {
            parsed.file_of_line.push_back(files.file());
            continue;
        }
        // A line without source text continues the line before: more of its bytes.
        if (!columns->source) {
            if (columns->number == last_number && !columns->location && !parsed.bytes.empty() &&
                parsed.bytes.back().listing_line == last_numbered_line)
                parsed.bytes.back().size += columns->bytes;
            parsed.file_of_line.push_back(files.file());
            continue;
        }
        if (columns->number != kNoNumber) files.at_line(columns->number);
        last_number = columns->number;
        last_numbered_line = listing_line;
        parsed.file_of_line.push_back(files.file());

        const Statement statement = statement_of(*columns->source);
        if (gnu) sections.follow(statement);
        if (columns->location && columns->bytes > 0) {
            // Motorola syntax puts a label without a colon first: "table fcb 1,2".
            std::string_view operand = statement.operand;
            const bool data =
                is_data_operation(statement.operation) ||
                (!gnu && statement.label.empty() && is_data_operation(lower(next_token(operand))));
            parsed.bytes.push_back({listing_line, columns->number, *columns->location,
                                    columns->bytes, gnu ? sections.current() : std::string{},
                                    statement.label, data});
        }
        if (is_include(statement.operation) && columns->number != kNoNumber)
            files.include(operand_name(statement.operand));
    }
    return parsed;
}

}  // namespace halvane
