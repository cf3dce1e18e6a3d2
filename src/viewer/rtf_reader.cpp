#include "viewer/rtf_reader.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "text/hex_digits.h"
#include "text/text_decoding.h"

namespace halvane {

bool is_rich_text(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return bytes.starts_with("{\\rtf");
}

namespace {

enum class Destination { kText, kFontTable, kColourTable, kSkipped };

struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int half_points = 24;
    int font = -1;  // -1: the document's default font (\deff)
    int colour = 0;
};

struct GroupState {
    Destination destination = Destination::kText;
    CharFormat format;
    int unicode_fallback = 1;  // \uc: characters that stand in for each \u
};

struct Colour {
    bool automatic = true;
    unsigned rgb = 0;
};

// Destinations whose content is not part of the visible text.
bool is_skipped_destination(std::string_view word) {
    static constexpr std::string_view kSkipped[] = {
        "annotation", "atnauthor",  "author",  "bkmkend",    "bkmkstart",    "colorschememapping",
        "comment",    "datastore",  "do",      "fldinst",    "filetbl",      "footer",
        "footerf",    "footerl",    "footerr", "footnote",   "generator",    "header",
        "headerf",    "headerl",    "headerr", "info",       "latentstyles", "listoverridetable",
        "listtable",  "nonshppict", "object",  "objdata",    "pgdsctbl",     "pict",
        "revtbl",     "rsidtbl",    "rxe",     "stylesheet", "tc",           "themedata",
        "title",      "txe",        "xe",      "xmlnstbl"};
    return std::find(std::begin(kSkipped), std::end(kSkipped), word) != std::end(kSkipped);
}

bool is_underline_word(std::string_view word) {
    static constexpr std::string_view kUnderline[] = {
        "ul",         "uld",       "uldash",     "uldashd", "uldashdd", "uldb",
        "ulhwave",    "ulldash",   "ulth",       "ulthd",   "ulthdash", "ulthdashd",
        "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave"};
    return std::find(std::begin(kUnderline), std::end(kUnderline), word) != std::end(kUnderline);
}

char32_t special_character(std::string_view word) {
    if (word == "emdash") return 0x2014;
    if (word == "endash") return 0x2013;
    if (word == "bullet") return 0x2022;
    if (word == "lquote") return 0x2018;
    if (word == "rquote") return 0x2019;
    if (word == "ldblquote") return 0x201C;
    if (word == "rdblquote") return 0x201D;
    if (word == "emspace") return 0x2003;
    if (word == "enspace") return 0x2002;
    if (word == "qmspace") return 0x2005;
    if (word == "par" || word == "line" || word == "sect" || word == "page" || word == "row") {
        return U'\n';
    }
    if (word == "tab" || word == "cell") return U'\t';
    return 0;
}

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

class RtfReader {
  public:
    explicit RtfReader(std::string_view in) : in_(in) { states_.emplace_back(); }

    RichDocument read() {
        while (pos_ < in_.size() && !finished_) {
            const char c = in_[pos_++];
            switch (c) {
                case '{':
                    open_group();
                    break;
                case '}':
                    close_group();
                    break;
                case '\\':
                    control();
                    break;
                case '\r':
                case '\n':
                case '\0':
                    break;
                case '\t':
                    if (!token()) text(U'\t');
                    break;
                default:
                    if (!token()) text_byte(static_cast<unsigned char>(c));
                    break;
            }
        }
        flush_surrogate();
        return std::move(document_);
    }

  private:
    // Real documents nest a few levels; deeper groups share the deepest state so that
    // hostile input cannot exhaust memory.
    static constexpr std::size_t kMaxDepth = 512;

    GroupState& state() { return states_.back(); }
    bool in_text() { return state().destination == Destination::kText; }

    void open_group() {
        fallback_left_ = 0;
        if (states_.size() >= kMaxDepth) {
            ++excess_depth_;
            return;
        }
        states_.push_back(states_.back());
        starred_ = false;
    }

    void close_group() {
        fallback_left_ = 0;
        starred_ = false;
        if (excess_depth_ > 0) {
            --excess_depth_;
            return;
        }
        if (states_.size() <= 1) return;  // a stray closing brace
        if (state().destination == Destination::kFontTable) commit_font();
        states_.pop_back();
        format_changed_ = true;
        if (states_.size() == 1) finished_ = true;  // the document's own group ended
    }

    // Every text character and control word counts against the fallback characters
    // that follow a \u; returns true when this one is such a character.
    bool token() {
        if (fallback_left_ == 0) return false;
        --fallback_left_;
        return true;
    }

    void control() {
        if (pos_ >= in_.size()) return;
        const char c = in_[pos_];
        if (!is_letter(c)) {
            ++pos_;
            control_symbol(c);
            return;
        }
        const std::size_t start = pos_;
        while (pos_ < in_.size() && is_letter(in_[pos_])) ++pos_;
        const std::string_view word = in_.substr(start, pos_ - start);
        bool has_param = false;
        std::int64_t param = 0;
        if (pos_ < in_.size() &&
            (is_digit(in_[pos_]) ||
             (in_[pos_] == '-' && pos_ + 1 < in_.size() && is_digit(in_[pos_ + 1])))) {
            const bool negative = in_[pos_] == '-';
            if (negative) ++pos_;
            has_param = true;
            while (pos_ < in_.size() && is_digit(in_[pos_])) {
                param = std::min<std::int64_t>(param * 10 + (in_[pos_] - '0'), 1'000'000'000);
                ++pos_;
            }
            if (negative) param = -param;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        control_word(word, has_param, static_cast<int>(param));
    }

    void control_symbol(char c) {
        if (c == '\'') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && pos_ < in_.size() && hex_digit_value(in_[pos_]) >= 0) {
                value = value * 16 + hex_digit_value(in_[pos_++]);
                ++digits;
            }
            if (token() || digits == 0) return;
            text_byte(static_cast<unsigned char>(value));
            return;
        }
        if (c == '*') {
            starred_ = true;
            return;
        }
        if (token()) return;
        switch (c) {
            case '\\':
            case '{':
            case '}':
                text_byte(static_cast<unsigned char>(c));
                break;
            case '~':
                text(0x00A0);
                break;
            case '_':
                text(0x2011);
                break;
            case '\r':
            case '\n':
                text(U'\n');
                break;
            default:
                break;  // optional hyphen, index entries, unknown symbols
        }
    }

    void control_word(std::string_view word, bool has_param, int param) {
        if (word == "bin") {
            // Binary data follows, whatever it holds: step over it.
            pos_ += std::min<std::size_t>(std::max(param, 0), in_.size() - pos_);
            return;
        }
        const bool starred = starred_;
        starred_ = false;
        if (state().destination == Destination::kSkipped) return;
        if (token()) return;

        if (starred || is_skipped_destination(word)) {
            state().destination = Destination::kSkipped;
            return;
        }
        if (word == "fonttbl") {
            state().destination = Destination::kFontTable;
            font_name_.clear();
            return;
        }
        if (word == "colortbl") {
            state().destination = Destination::kColourTable;
            colour_ = {};
            return;
        }
        if (state().destination == Destination::kFontTable) {
            if (word == "f") {
                commit_font();
                font_number_ = param;
            }
            return;
        }
        if (state().destination == Destination::kColourTable) {
            const unsigned component = static_cast<unsigned>(std::clamp(param, 0, 255));
            if (word == "red") colour_.rgb = (colour_.rgb & 0x00FFFF) | (component << 16);
            if (word == "green") colour_.rgb = (colour_.rgb & 0xFF00FF) | (component << 8);
            if (word == "blue") colour_.rgb = (colour_.rgb & 0xFFFF00) | component;
            if (word == "red" || word == "green" || word == "blue") colour_.automatic = false;
            return;
        }
        formatting_word(word, has_param, param);
    }

    void formatting_word(std::string_view word, bool has_param, int param) {
        CharFormat& format = state().format;
        const bool on = !has_param || param != 0;
        if (const char32_t c = special_character(word)) {
            text(c);
        } else if (word == "u") {
            text(static_cast<char32_t>(param < 0 ? param + 65536 : param) & 0xFFFF);
            fallback_left_ = state().unicode_fallback;
        } else if (word == "uc") {
            state().unicode_fallback = std::clamp(param, 0, 16);
        } else if (word == "b") {
            format.bold = on;
        } else if (word == "i") {
            format.italic = on;
        } else if (is_underline_word(word)) {
            format.underline = on;
        } else if (word == "ulnone") {
            format.underline = false;
        } else if (word == "fs") {
            format.half_points = param > 0 ? std::min(param, 3276) : 24;
        } else if (word == "f") {
            format.font = param;
        } else if (word == "cf") {
            format.colour = param;
        } else if (word == "plain") {
            format = CharFormat{};
        } else if (word == "deff") {
            default_font_ = param;
        } else {
            return;  // paragraph settings (\pard ...) and words the viewer has no use for
        }
        format_changed_ = true;
    }

    void text_byte(unsigned char byte) {
        if (byte < 0x20) return;  // control characters carry nothing the viewer can show
        text(byte < 0x80 ? byte : cp1252_to_unicode(byte));
    }

    void text(char32_t c) {
        switch (state().destination) {
            case Destination::kText:
                append(c);
                break;
            case Destination::kFontTable:
                if (c == U';') {
                    commit_font();
                } else {
                    append_utf8(font_name_, c);
                }
                break;
            case Destination::kColourTable:
                if (c == U';') {
                    colours_.push_back(colour_);
                    colour_ = {};
                }
                break;
            case Destination::kSkipped:
                break;
        }
    }

    void commit_font() {
        const std::string name = trimmed(font_name_);
        if (!name.empty() && font_number_ >= 0) fonts_.emplace(font_number_, name);
        font_name_.clear();
    }

    void flush_surrogate() {
        if (high_surrogate_ == 0) return;
        high_surrogate_ = 0;
        put(0xFFFD);
    }

    void append(char32_t c) {
        if (c >= 0xD800 && c <= 0xDBFF) {
            flush_surrogate();
            high_surrogate_ = c;
            return;
        }
        if (c >= 0xDC00 && c <= 0xDFFF) {
            if (high_surrogate_ == 0) {
                c = 0xFFFD;
            } else {
                c = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (c - 0xDC00);
                high_surrogate_ = 0;
            }
        } else {
            flush_surrogate();
        }
        put(c);
    }

    void put(char32_t c) {
        if (format_changed_ || document_.runs.empty()) {
            RichRun run = current_run_format();
            format_changed_ = false;
            if (document_.runs.empty() || !same_format(document_.runs.back(), run)) {
                document_.runs.push_back(std::move(run));
            }
        }
        append_utf8(document_.runs.back().text, c);
    }

    RichRun current_run_format() const {
        const CharFormat& format = states_.back().format;
        RichRun run;
        run.bold = format.bold;
        run.italic = format.italic;
        run.underline = format.underline;
        run.half_points = format.half_points;
        const auto font = fonts_.find(format.font >= 0 ? format.font : default_font_);
        if (font != fonts_.end()) run.font_face = font->second;
        if (format.colour >= 0 && static_cast<std::size_t>(format.colour) < colours_.size() &&
            !colours_[format.colour].automatic) {
            run.rgb = colours_[format.colour].rgb;
            run.has_colour = true;
        }
        return run;
    }

    static bool same_format(const RichRun& a, const RichRun& b) {
        return a.bold == b.bold && a.italic == b.italic && a.underline == b.underline &&
               a.half_points == b.half_points && a.font_face == b.font_face &&
               a.has_colour == b.has_colour && a.rgb == b.rgb;
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    bool finished_ = false;
    std::vector<GroupState> states_;
    std::size_t excess_depth_ = 0;
    bool starred_ = false;
    int fallback_left_ = 0;
    char32_t high_surrogate_ = 0;

    std::map<int, std::string> fonts_;
    int default_font_ = 0;
    int font_number_ = -1;
    std::string font_name_;
    std::vector<Colour> colours_;
    Colour colour_;

    RichDocument document_;
    bool format_changed_ = true;
};

}  // namespace

RichDocument read_rich_text(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return RtfReader(bytes).read();
}

}  // namespace halvane
