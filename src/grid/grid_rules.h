#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halvane {

std::string to_upper_ascii(std::string_view text);

// A "W" anywhere in the Flag, either case: a 16-bit word, high byte at the Address.
bool is_word_row(std::string_view flag);
// A "D" anywhere in the Flag, either case: show the decimal value.
bool is_decimal_row(std::string_view flag);

// The address an Address cell names: exactly four hexadecimal digits, either case, once
// surrounding spaces are trimmed. std::nullopt for anything else.
std::optional<std::uint16_t> parse_address(std::string_view address_cell);

// The first (last) two characters of a text; a shorter text whole.
std::string first_two(std::string_view text);
std::string last_two(std::string_view text);

// True when `text` starts with two hexadecimal digits (and, for a word, also ends with two).
bool is_valid_answer(std::string_view text, bool word);

// The decimal text of a Hex Value: 1 to 4 hexadecimal digits read as an unsigned value
// (00 to FF gives 0 to 255, 0000 to FFFF gives 0 to 65535); an empty text gives "0";
// anything else gives an empty text.
std::string decimal_value(std::string_view hex_value);

// The cell text after one key press: backspace (8) removes the last character, every
// other code is a Unicode code point and is appended as that character. Cell texts are UTF-8.
std::string edit_cell_text(std::string_view text, int key_code);

}  // namespace halvane
