#include "varmap/map_format.h"

namespace halvane {

std::string format_map(std::span<const std::string> cells) {
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        out += '"';
        for (char c : cells[i]) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
        out += (i % kMapFieldsPerRow == kMapFieldsPerRow - 1) ? "\r\n" : ",";
    }
    return out;
}

}  // namespace halvane
