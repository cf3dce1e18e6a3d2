// The rich text reader and the plain text decoder on arbitrary companion files, as the
// viewer loads a listing, C source or description.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "text/text_decoding.h"
#include "viewer/rich_document.h"
#include "viewer/rtf_reader.h"

using namespace halvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::string plain = decode_text(bytes);
    FUZZ_CHECK(fuzz::is_valid_utf8(plain));
    // One input byte never becomes more than one character of at most three bytes.
    FUZZ_CHECK(plain.size() <= 3 * size);

    const RichDocument document = read_rich_text(bytes);
    std::size_t shown = 0;
    for (const RichRun& run : document.runs) {
        FUZZ_CHECK(fuzz::is_valid_utf8(run.text));
        FUZZ_CHECK(run.rgb <= 0xFFFFFFu);
        FUZZ_CHECK(fuzz::is_valid_utf8(run.font_face));
        shown += run.text.size();
    }
    // No construct multiplies the text: a hostile file cannot make the viewer's document
    // much larger than the file.
    FUZZ_CHECK(shown <= 4 * size + 16);

    // The same bytes behind a rich text header go through the reader too, whatever they are.
    if (!is_rich_text(bytes)) {
        const std::string wrapped = "{\\rtf1 " + std::string(bytes) + "}";
        FUZZ_CHECK(is_rich_text(wrapped));
        for (const RichRun& run : read_rich_text(wrapped).runs)
            FUZZ_CHECK(fuzz::is_valid_utf8(run.text));
    }
    return 0;
}
