#pragma once

#include <QRect>

class QLabel;
class QProgressBar;

namespace halvane::qt {

class LabelText;

// The bottom row of the window: the status line takes the width its whole text needs (never
// less than drawn), and the progress bar keeps the rest, never less than kMinProgressWidth. A
// text longer than that leaves the status line its widest, where LabelText shortens it.
class StatusRow {
  public:
    static constexpr int kMinProgressWidth = 150;

    StatusRow(QLabel& status, const LabelText& text, QProgressBar& progress);

    // Places both, given where the window's layout draws them.
    void place(const QRect& status_drawn, const QRect& progress_drawn);
    // The widest the status line may be beside them.
    static int widest_status(const QRect& status_drawn, const QRect& progress_drawn);

  private:
    QLabel& status_;
    const LabelText& text_;
    QProgressBar& progress_;
};

}  // namespace halvane::qt
