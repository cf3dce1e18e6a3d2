#include "varmap/map_file.h"

#include <vector>

#include "varmap/map_encoding.h"
#include "varmap/map_format.h"
#include "varmap/map_reader.h"
#include "varmap/replace_file.h"
#include "viewer/text_decoding.h"
#include "viewer/whole_file.h"

namespace halvane {

MapLoadResult load_map_file(const std::string& path, GridView& grid) {
    const WholeFile file = read_whole_file(path, kMapFileLimit);
    if (file.status != WholeFile::Status::kRead) return {false, file.error_text, 0};

    const std::vector<std::string> fields = read_map_fields(decode_text(file.bytes));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        grid.set_text(static_cast<int>(i / kMapFieldsPerRow),
                      static_cast<int>(i % kMapFieldsPerRow), fields[i]);
    }
    return {true, {}, static_cast<int>(fields.size())};
}

MapSaveResult save_map_file(const std::string& path, const GridView& grid) {
    std::vector<std::string> cells;
    cells.reserve(kMapFields);
    for (int row = 0; row < GridView::kRows; ++row) {
        for (int col = 0; col < GridView::kCols; ++col) cells.push_back(grid.text(row, col));
    }
    const ReplaceResult result = replace_file(path, map_file_bytes(format_map(cells)));
    return {result.ok, result.error_text};
}

}  // namespace halvane
