#include "viewer/companion_file.h"

#include "text/text_decoding.h"
#include "text/whole_file.h"
#include "viewer/rtf_reader.h"

namespace halvane {

namespace {

// Listings made on Windows end their lines with CR LF, some older tools with CR alone.
std::string with_newlines(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
        } else {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        }
    }
    return out;
}

}  // namespace

CompanionFile read_companion_file(const std::string& path, std::uintmax_t max_bytes) {
    WholeFile file = read_whole_file(path, max_bytes);
    CompanionFile result;
    result.error_text = std::move(file.error_text);
    switch (file.status) {
        case WholeFile::Status::kUnreadable:
            result.status = CompanionFile::Status::kUnreadable;
            return result;
        case WholeFile::Status::kTooLarge:
            result.status = CompanionFile::Status::kTooLarge;
            return result;
        case WholeFile::Status::kRead:
            break;
    }
    result.status = CompanionFile::Status::kLoaded;
    if (is_rich_text(file.bytes)) {
        result.rich = true;
        result.document = read_rich_text(file.bytes);
    } else {
        result.plain_text = with_newlines(decode_text(file.bytes));
    }
    return result;
}

}  // namespace halvane
