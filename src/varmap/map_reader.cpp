#include "varmap/map_reader.h"

namespace halvane {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_line_end(char c) {
    return c == '\r' || c == '\n';
}

class FieldScanner {
  public:
    explicit FieldScanner(std::string_view text) : text_(text) {}

    // Reads the next field into `field`; false at the end of the text.
    bool next(std::string& field) {
        field.clear();
        for (;;) {
            skip_blanks();
            if (at_end()) {
                // A comma right before the end still announces one (empty) field.
                const bool pending = after_comma_;
                after_comma_ = false;
                return pending;
            }
            // A line end where a field should start: an empty line, or the end of
            // an empty field that a comma opened.
            if (is_line_end(peek()) && !after_comma_) {
                skip_line_end();
                continue;
            }
            break;
        }
        if (peek() == '"') {
            read_quoted(field);
            skip_to_separator();
        } else {
            read_unquoted(field);
        }
        consume_separator();
        return true;
    }

  private:
    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return text_[pos_]; }

    void skip_blanks() {
        while (!at_end() && is_blank(peek())) ++pos_;
    }

    void skip_line_end() {
        if (peek() == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
    }

    void read_quoted(std::string& field) {
        ++pos_;  // the opening quote
        while (!at_end()) {
            const char c = text_[pos_++];
            if (c != '"') {
                field += c;
            } else if (!at_end() && peek() == '"') {
                field += '"';
                ++pos_;
            } else {
                return;
            }
        }
    }

    void read_unquoted(std::string& field) {
        const std::size_t start = pos_;
        while (!at_end() && peek() != ',' && !is_line_end(peek())) ++pos_;
        std::size_t end = pos_;
        while (end > start && is_blank(text_[end - 1])) --end;
        field.assign(text_.substr(start, end - start));
    }

    void skip_to_separator() {
        while (!at_end() && peek() != ',' && !is_line_end(peek())) ++pos_;
    }

    void consume_separator() {
        after_comma_ = false;
        if (at_end()) return;
        if (peek() == ',') {
            ++pos_;
            after_comma_ = true;
        } else {
            skip_line_end();
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    bool after_comma_ = false;
};

}  // namespace

std::vector<std::string> read_map_fields(std::string_view text, std::size_t limit) {
    std::vector<std::string> fields;
    FieldScanner scanner(text);
    std::string field;
    while (fields.size() < limit && scanner.next(field)) fields.push_back(field);
    return fields;
}

}  // namespace halvane
