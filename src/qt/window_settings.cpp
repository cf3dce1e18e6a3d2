#include "qt/window_settings.h"

#include <QAction>
#include <QMainWindow>
#include <QSplitter>

#include "qt/grid_column_widths.h"

namespace halvane::qt {

WindowSettings::WindowSettings(QMainWindow& window, QSplitter& panes,
                               GridColumnWidths& column_widths, QAction& block_reads)
    : window_(window), panes_(panes), column_widths_(column_widths), block_reads_(block_reads) {
    QObject::connect(&block_reads_, &QAction::toggled, &window_, [this](bool allowed) {
        if (keeps_) remember_block_reads_allowed(allowed);
    });
    if (QAction* fast_line = window_.findChild<QAction*>("watch_fastline")) {
        QObject::connect(fast_line, &QAction::toggled, &window_, [this](bool allowed) {
            if (keeps_) remember_fast_line_allowed(allowed);
        });
    }
    if (QAction* fastest = window_.findChild<QAction*>("watch_fastline125000")) {
        QObject::connect(fastest, &QAction::toggled, &window_, [this](bool chosen) {
            if (keeps_) remember_fastest_line_chosen(chosen);
        });
    }
}

WindowLayoutMemory WindowSettings::layout_memory() const {
    return {window_.saveGeometry(), panes_.saveState(), column_widths_.dragged()};
}

void WindowSettings::restore_layout(const WindowLayoutMemory& memory) {
    if (!memory.geometry.isEmpty()) window_.restoreGeometry(memory.geometry);
    if (!memory.divider.isEmpty()) panes_.restoreState(memory.divider);
    column_widths_.set_dragged(memory.column_widths);
}

void WindowSettings::keep() {
    restore_layout(remembered_window_layout());
    block_reads_.setChecked(block_reads_allowed());
    if (QAction* fast_line = window_.findChild<QAction*>("watch_fastline"))
        fast_line->setChecked(fast_line_allowed());
    if (QAction* fastest = window_.findChild<QAction*>("watch_fastline125000"))
        fastest->setChecked(fastest_line_chosen());
    keeps_ = true;
}

void WindowSettings::window_closing() {
    if (keeps_) remember_window_layout(layout_memory());
}

}  // namespace halvane::qt
