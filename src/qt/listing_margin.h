#pragma once

#include <QRect>
#include <QWidget>
#include <optional>
#include <vector>

class QTextEdit;

namespace halvane::qt {

// The listing's left margin in the viewer: a disc on each line that has a breakpoint, and an
// arrow on the line where the program stopped, whose text is highlighted across the viewer too.
// A click on a line's margin, or F9 with the viewer's cursor on a line, asks to toggle that
// line's breakpoint. It lies over the left edge of the viewer's text area, which the document
// keeps clear as its left margin, so it stays put while the text scrolls sideways. Lines are
// numbered from 1, as the listing's lines. Object name "listing_margin".
class ListingMargin : public QWidget {
    Q_OBJECT

  public:
    explicit ListingMargin(QTextEdit& edit);

    // Shown, the text makes room for it; hidden, it takes none and marks nothing.
    void set_shown(bool shown);
    bool shown() const { return shown_; }

    void set_breakpoint_lines(std::vector<int> lines);
    const std::vector<int>& breakpoint_lines() const { return breakpoint_lines_; }
    // The line where the program stopped, marked, highlighted and scrolled into view; none
    // while it runs.
    void set_stop_line(std::optional<int> line);
    std::optional<int> stop_line() const { return stop_line_; }
    // Scrolls so that `line` shows, a third of the way down when it did not.
    void scroll_to_line(int line);

    // The line of the viewer's cursor.
    int current_line() const;
    // The line at `y` in the margin; none below the last.
    std::optional<int> line_at(int y) const;
    // Where `line` is in the margin; empty for a line the text does not have.
    QRect line_rect(int line) const;

    // The text or its font changed: the margin takes its width from the font again, and the
    // stopped line's highlight is laid on the new text.
    void text_replaced();

  signals:
    void toggle_requested(int line);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void follow_viewport();
    void make_room();
    void highlight_stop();

    QTextEdit& edit_;
    std::vector<int> breakpoint_lines_;
    std::optional<int> stop_line_;
    bool shown_ = false;
};

}  // namespace halvane::qt
