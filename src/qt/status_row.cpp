#include "qt/status_row.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <cmath>

#include "qt/label_text.h"

namespace halvane::qt {

namespace {

// The two were drawn overlapping by a line, which stays.
int overlap(const QRect& status_drawn, const QRect& progress_drawn) {
    return std::max(0, status_drawn.right() + 1 - progress_drawn.left());
}

}  // namespace

StatusRow::StatusRow(QLabel& status, const LabelText& text, QProgressBar& progress)
    : status_(status), text_(text), progress_(progress) {}

int StatusRow::widest_status(const QRect& status_drawn, const QRect& progress_drawn) {
    const int widest = progress_drawn.right() + 1 - kMinProgressWidth +
                       overlap(status_drawn, progress_drawn) - status_drawn.left();
    return std::max(status_drawn.width(), widest);
}

void StatusRow::place(const QRect& status_drawn, const QRect& progress_drawn) {
    const int margins = status_.width() - status_.contentsRect().width();
    // Widths of text are fractional; a rounded-down one would not hold the text whole.
    const int needed = static_cast<int>(std::ceil(
                           QFontMetricsF(status_.font()).horizontalAdvance(text_.full_text()))) +
                       std::max(0, margins);
    const int width =
        std::clamp(needed, status_drawn.width(), widest_status(status_drawn, progress_drawn));
    QRect status = status_drawn;
    status.setWidth(width);
    QRect progress = progress_drawn;
    progress.setLeft(status.right() + 1 - overlap(status_drawn, progress_drawn));
    status_.setGeometry(status);
    progress_.setGeometry(progress);
}

}  // namespace halvane::qt
