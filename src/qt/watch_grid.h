#pragma once

#include <QTableWidget>
#include <functional>
#include <string>
#include <string_view>

#include "notify/signal.h"

namespace halvane::qt {

// The watch grid: a table whose horizontal header stands for the fixed heading row 0 and whose
// 99 body rows are rows 1 to 99. It shows the watch table's texts (WatchGridBinding keeps them
// up to date). There is no built-in editor: every key that produces a character goes to the
// key-press handler, which edits the current cell through the table; keys without a character
// (arrows, Page Up, Home...) keep the table's own navigation.
class WatchGrid : public QTableWidget {
    Q_OBJECT

  public:
    static constexpr int kRows = 100;
    static constexpr int kCols = 5;

    explicit WatchGrid(QWidget* parent = nullptr);

    // The text shown in a cell (row 0: the headings), as the table holds it.
    std::string text(int row, int col) const;
    void set_text(int row, int col, std::string_view text);
    // The current cell, rows 1 to 99. Moved from code, it does not scroll the view: the rows
    // the user is looking at stay in view.
    int row() const;
    int col() const;
    void set_current(int row, int col);

    // The character a key event delivers (a Unicode code point, or the control code of
    // Backspace, Enter, Escape and Ctrl+letter), or -1 for a key that only navigates.
    static int key_code(const QKeyEvent& event);

    // The live watch's marks. A greyed row (its last read failed) shows its text in the
    // palette's disabled colour. A Hex Value highlight of strength 0 to 1 blends the palette's
    // highlight colour into the cell's background, so it reads in light and dark themes alike.
    // Both follow palette changes.
    void set_row_greyed(int row, bool greyed);
    bool row_greyed(int row) const;
    void set_hex_highlight(int row, double strength);
    double hex_highlight(int row) const;
    // The background of a cell highlighted with `strength` under `palette`.
    static QColor highlight_background(const QPalette& palette, double strength);

    Signal<> double_clicked;
    // A key code: a Unicode code point, 8 for backspace.
    Signal<int> key_pressed;
    // The user moved the current cell (keys, a click): (row, column).
    Signal<int, int> current_moved;
    // The tooltip of a cell, asked for when the pointer rests on it (so an age is current);
    // an empty text shows none.
    std::function<std::string(int row, int col)> tool_tip_text;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    void fit_rows_to_font();
    QTableWidgetItem* cell_item(int row, int col) const;
};

}  // namespace halvane::qt
