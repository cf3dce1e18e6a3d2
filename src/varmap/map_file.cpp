#include "varmap/map_file.h"

#include <vector>

#include "text/text_decoding.h"
#include "text/whole_file.h"
#include "varmap/map_encoding.h"
#include "varmap/map_format.h"
#include "varmap/map_reader.h"
#include "varmap/replace_file.h"

namespace halvane {

MapLoadResult load_map_file(const std::string& path, WatchTable& table) {
    const WholeFile file = read_whole_file(path, kMapFileLimit);
    if (file.status != WholeFile::Status::kRead) return {false, file.error_text, 0};

    const std::vector<std::string> fields = read_map_fields(decode_text(file.bytes));
    table.fill(fields);
    return {true, {}, static_cast<int>(fields.size())};
}

MapSaveResult save_map_file(const std::string& path, const WatchTable& table) {
    const ReplaceResult result = replace_file(path, map_file_bytes(format_map(table.cells())));
    return {result.ok, result.error_text};
}

}  // namespace halvane
