#include "varmap/map_format.h"

namespace halvane {

std::string quote_map_field(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string format_map(std::span<const std::string> cells) {
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        out += quote_map_field(cells[i]);
        out += (i % kMapFieldsPerRow == kMapFieldsPerRow - 1) ? "\r\n" : ",";
    }
    return out;
}

}  // namespace halvane
