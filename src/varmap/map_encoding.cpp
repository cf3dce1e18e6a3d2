#include "varmap/map_encoding.h"

#include <optional>

#include "text/text_decoding.h"

namespace halvane {

namespace {

// The Windows-1252 byte of a character, or std::nullopt when the code page has none. The five
// bytes it leaves undefined stand for the C1 controls of the same number, as when reading.
std::optional<char> cp1252_byte(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<char>(character);
    for (unsigned byte = 0x80; byte <= 0x9F; ++byte) {
        if (cp1252_to_unicode(static_cast<unsigned char>(byte)) == character)
            return static_cast<char>(byte);
    }
    return std::nullopt;
}

// The text in Windows-1252, or std::nullopt when a character has no byte there or the text
// is no valid UTF-8.
std::optional<std::string> to_cp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        std::size_t length = 1;
        char32_t character = lead;
        if (lead >= 0xC0 && lead < 0xE0) {
            length = 2;
            character = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3;
            character = lead & 0x0Fu;
        } else if (lead >= 0x80) {
            return std::nullopt;  // a four-byte character or no UTF-8 at all
        }
        if (pos + length > text.size()) return std::nullopt;
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[pos + i]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            character = character << 6 | (next & 0x3Fu);
        }
        const std::optional<char> byte = cp1252_byte(character);
        if (!byte) return std::nullopt;
        out += *byte;
        pos += length;
    }
    return out;
}

}  // namespace

std::string map_file_bytes(std::string_view text) {
    // Reading the bytes back is the test: it also rules out overlong and other malformed
    // sequences that the loop above lets through.
    if (std::optional<std::string> legacy = to_cp1252(text); legacy && decode_text(*legacy) == text)
        return std::move(*legacy);
    return std::string(text);
}

}  // namespace halvane
