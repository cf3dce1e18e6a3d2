// The variable map reader on arbitrary file contents: what Open Overlay and File > Open
// feed it, decoded as the map file loader decodes it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "text/text_decoding.h"
#include "varmap/map_encoding.h"
#include "varmap/map_format.h"
#include "varmap/map_reader.h"

using namespace halvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = decode_text(bytes);
    FUZZ_CHECK(fuzz::is_valid_utf8(text));

    const std::vector<std::string> fields = read_map_fields(text);
    FUZZ_CHECK(fields.size() <= kMapFields);
    std::size_t field_bytes = 0;
    for (const std::string& field : fields) field_bytes += field.size();
    FUZZ_CHECK(field_bytes <= text.size());

    // A smaller limit gives the first fields of the same reading.
    const std::vector<std::string> first = read_map_fields(text, 7);
    FUZZ_CHECK(first.size() == std::min<std::size_t>(fields.size(), 7));
    for (std::size_t i = 0; i < first.size(); ++i) FUZZ_CHECK(first[i] == fields[i]);

    // Whatever was read survives a save and a load unchanged: the grid as Save writes it
    // (every cell, the ones the file did not fill left empty) reads back cell for cell.
    std::vector<std::string> cells = fields;
    cells.resize(kMapFields);
    const std::vector<std::string> again = read_map_fields(format_map(cells));
    FUZZ_CHECK(again == cells);
    // ...also in the bytes Save writes, Windows-1252 or UTF-8, as the loader decodes them.
    const std::string saved = map_file_bytes(format_map(cells));
    FUZZ_CHECK(read_map_fields(decode_text(saved)) == cells);
    return 0;
}
