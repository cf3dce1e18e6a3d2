#pragma once

#include <string_view>

#include "viewer/rich_document.h"

namespace halvane {

// True when `bytes` is a document in rich text format (it starts with "{\rtf").
bool is_rich_text(std::string_view bytes);

// The text and character formatting of a rich text document, as far as the viewer
// shows them: groups, paragraph and line breaks, tabs, bold, italic, underline,
// font size, the font and colour tables, \'hh escapes (Windows-1252) and \uN
// escapes with their \ucN fallback characters. Other destinations (document
// information, style sheet, pictures, headers...) are skipped, and so are unknown
// control words. Malformed input gives whatever text could be made out of it.
RichDocument read_rich_text(std::string_view bytes);

}  // namespace halvane
