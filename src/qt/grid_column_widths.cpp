#include "qt/grid_column_widths.h"

#include <QEvent>
#include <QHeaderView>
#include <algorithm>

#include "qt/twips.h"
#include "qt/watch_grid.h"

namespace halvane::qt {

GridColumnWidths::GridColumnWidths(WatchGrid& grid, const std::array<int, 5>& drawn_twips,
                                   int drawn_grid_width_twips)
    : QObject(&grid),
      grid_(grid),
      drawn_twips_(drawn_twips),
      drawn_grid_width_twips_(drawn_grid_width_twips) {
    grid_.installEventFilter(this);
    connect(grid_.horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int col, int /*old_width*/, int width) {
                if (!fitting_) user_resized(col, width);
            });
    fit();
}

QList<int> GridColumnWidths::dragged() const {
    return QList<int>(dragged_.begin(), dragged_.end());
}

void GridColumnWidths::set_dragged(const QList<int>& widths) {
    for (std::size_t col = 0; col < dragged_.size(); ++col) {
        const auto at = static_cast<qsizetype>(col);
        dragged_[col] = at < widths.size() ? std::max(0, widths[at]) : 0;
    }
    fit();
}

bool GridColumnWidths::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &grid_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        fit();
    return QObject::eventFilter(watched, event);
}

void GridColumnWidths::user_resized(int col, int width) {
    if (col < 0 || col >= static_cast<int>(dragged_.size())) return;
    dragged_[static_cast<std::size_t>(col)] = width;
    if (col != kDescriptionCol) fit();
}

void GridColumnWidths::fit() {
    fitting_ = true;
    int others_extra = 0;
    for (std::size_t col = 0; col < dragged_.size(); ++col) {
        if (col == kDescriptionCol) continue;
        const int drawn = twips_x(grid_, drawn_twips_[col]);
        const int width = dragged_[col] > 0 ? dragged_[col] : drawn;
        others_extra += width - drawn;
        grid_.setColumnWidth(static_cast<int>(col), width);
    }
    const int drawn_description = twips_x(grid_, drawn_twips_[kDescriptionCol]);
    const int grid_extra = grid_.width() - twips_x(grid_, drawn_grid_width_twips_);
    const int description = dragged_[kDescriptionCol] > 0
                                ? dragged_[kDescriptionCol]
                                : drawn_description + std::max(0, grid_extra - others_extra);
    grid_.setColumnWidth(kDescriptionCol, description);
    fitting_ = false;
}

}  // namespace halvane::qt
