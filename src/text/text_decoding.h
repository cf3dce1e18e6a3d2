#pragma once

#include <string>
#include <string_view>

namespace halvane {

// Appends the UTF-8 form of a code point; values that are not scalar values
// (surrogates, beyond U+10FFFF) become U+FFFD.
void append_utf8(std::string& out, char32_t code_point);

// The Unicode character that a Windows-1252 byte stands for. The five bytes the
// code page leaves undefined map to the C1 control of the same number, as browsers do.
char32_t cp1252_to_unicode(unsigned char byte);

// Text files from this PC are UTF-8; files made on older Windows PCs are Windows-1252.
// Decodes `bytes` as UTF-8, taking every byte that does not start a valid UTF-8
// sequence as Windows-1252 instead, so mixed files keep all their characters.
// A leading UTF-8 byte order mark is dropped. The result is valid UTF-8.
std::string decode_text(std::string_view bytes);

}  // namespace halvane
