#include "qt/label_text.h"

#include "qt/text_encoding.h"

namespace halvane::qt {

std::string LabelText::text() const {
    return to_utf8(label_.text());
}

void LabelText::set_text(std::string_view text) {
    label_.setText(from_utf8(text));
}

}  // namespace halvane::qt
