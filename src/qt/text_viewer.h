#pragma once

#include <QFont>
#include <QTextEdit>

#include "platform/viewer.h"

namespace halvane::qt {

// The font for a face name such as "Times New Roman (Western)": the bracketed script word
// is dropped, and where the face itself is not installed the nearest serif face stands in.
QFont viewer_font(std::string_view face, const QFont& base);

// RichTextBox1 on a read-only QTextEdit.
class TextViewer : public Viewer {
  public:
    explicit TextViewer(QTextEdit& edit);

    void show_plain(std::string_view utf8_text) override;
    void show_rich(const RichDocument& document) override;
    void set_font_face(std::string_view face) override;

  private:
    QTextEdit& edit_;
};

}  // namespace halvane::qt
