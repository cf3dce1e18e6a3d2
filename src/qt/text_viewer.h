#pragma once

#include <QFont>
#include <QTextEdit>

#include "viewer/rich_document.h"

namespace halvane::qt {

// The font for a face name such as "Times New Roman (Western)": the bracketed script word
// is dropped, and where the face itself is not installed the nearest serif face stands in.
QFont viewer_font(std::string_view face, const QFont& base);

// The companion viewer on a read-only QTextEdit.
class TextViewer {
  public:
    explicit TextViewer(QTextEdit& edit);

    void show_plain(std::string_view utf8_text);
    void show_rich(const RichDocument& document);
    void set_font_face(std::string_view face);

  private:
    QTextEdit& edit_;
};

}  // namespace halvane::qt
