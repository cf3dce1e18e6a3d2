#pragma once

#include <QFont>
#include <QTextEdit>

#include "viewer/rich_document.h"

namespace halvane::qt {

class ListingMargin;

// The font for a face name such as "Times New Roman (Western)": the bracketed script word
// is dropped, and where the face itself is not installed the nearest serif face stands in.
QFont viewer_font(std::string_view face, const QFont& base);

// Whether every character of `font` has the same advance, as a listing's columns need (tried
// on characters of very different widths and the space).
bool has_equal_advances(const QFont& font);
// The font listings are shown in: the system's fixed-pitch font, or, where its characters do not
// share one advance, an installed face whose characters do.
QFont code_font();

// The companion viewer on a read-only QTextEdit. With the keyboard focus in it, Ctrl+plus and
// Ctrl+minus make its text larger and smaller, and Ctrl+0 gives it back its own size. A listing
// has a margin on its left for the breakpoints' marks and the stopped program's line.
class TextViewer {
  public:
    static constexpr int kTabStopCharacters = 8;

    explicit TextViewer(QTextEdit& edit);

    // Plain text such as a description: the viewer's face, lines wrapped at its edge.
    void show_plain(std::string_view utf8_text);
    // A listing or C source: `code_font()`, lines as long as they are (a
    // horizontal scroll bar shows the rest) and a tab stop every kTabStopCharacters.
    void show_code(std::string_view utf8_text);
    // A listing: as code, with the margin (its marks kept from the listing shown before).
    void show_listing(std::string_view utf8_text);
    void show_rich(const RichDocument& document);
    void set_font_face(std::string_view face);
    // Larger (positive) or smaller by whole points, for every text shown now and later.
    void zoom(int points);
    int zoomed_points() const { return zoom_points_; }
    // The listing's margin: its marks, its requests to toggle a line's breakpoint, the line of
    // the viewer's cursor.
    ListingMargin& margin() { return *margin_; }

  private:
    void apply_zoom();

    QTextEdit& edit_;
    ListingMargin* margin_;  // a child of edit_
    QFont face_;             // the viewer's face at its own size
    QFont shown_;            // the unzoomed font of what is shown: face_ or the fixed-pitch font
    double plain_tab_stop_;
    bool code_ = false;
    bool rich_ = false;
    int zoom_points_ = 0;
};

}  // namespace halvane::qt
