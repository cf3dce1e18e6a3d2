#include "grid/grid_rules.h"

#include "text/hex_digits.h"
#include "text/text_decoding.h"

namespace halvane {

namespace {
std::string_view trim_spaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}
}  // namespace

std::string to_upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool is_word_row(std::string_view flag) {
    return to_upper_ascii(flag).find('W') != std::string::npos;
}

bool is_decimal_row(std::string_view flag) {
    return to_upper_ascii(flag).find('D') != std::string::npos;
}

std::optional<std::uint16_t> parse_address(std::string_view address_cell) {
    const std::string_view trimmed = trim_spaces(address_cell);
    if (trimmed.size() != 4 || !all_hex_digits(trimmed)) return std::nullopt;
    return static_cast<std::uint16_t>(*hex_value(trimmed));
}

std::string first_two(std::string_view text) {
    return std::string(text.substr(0, 2));
}

std::string last_two(std::string_view text) {
    return std::string(text.size() <= 2 ? text : text.substr(text.size() - 2));
}

bool is_valid_answer(std::string_view text, bool word) {
    if (text.size() < 2 || !all_hex_digits(text.substr(0, 2))) return false;
    return !word || all_hex_digits(text.substr(text.size() - 2));
}

std::string decimal_value(std::string_view hex_value) {
    if (hex_value.empty()) return "0";
    if (hex_value.size() > 4 || !all_hex_digits(hex_value)) return "";
    unsigned value = 0;
    for (char c : hex_value) value = value * 16 + static_cast<unsigned>(hex_digit_value(c));
    // Read as a 16-bit two's-complement number, four-digit texts brought back to 0..65535:
    // every text of one to four digits therefore shows its unsigned value.
    return std::to_string(value);
}

std::string edit_cell_text(std::string_view text, int key_code) {
    std::string out(text);
    if (key_code == 8) {
        if (out.empty()) return out;
        // Remove one whole UTF-8 character, not just its last byte.
        std::size_t cut = out.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.erase(cut);
        return out;
    }
    // Whatever the keyboard gives, the cell holds it as UTF-8; a code that is no character
    // becomes U+FFFD.
    append_utf8(out, key_code < 0 ? char32_t{0xFFFD} : static_cast<char32_t>(key_code));
    return out;
}

}  // namespace halvane
