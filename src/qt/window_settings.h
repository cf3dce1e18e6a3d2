#pragma once

#include "qt_adapters/user_settings.h"

class QAction;
class QMainWindow;
class QSplitter;

namespace halvane::qt {

class GridColumnWidths;

// What of the window the user's settings keep: its size, the divider and the column widths the
// user dragged, and the Watch > Block Reads and Fast Line choices. A window keeps nothing until `keep` is
// called (the program's own window does; tests' windows do not).
class WindowSettings {
  public:
    WindowSettings(QMainWindow& window, QSplitter& panes, GridColumnWidths& column_widths,
                   QAction& block_reads);

    // The layout as it stands, and given back (before the window is shown).
    WindowLayoutMemory layout_memory() const;
    void restore_layout(const WindowLayoutMemory& memory);
    // The layout the user left last time and the Block Reads choice come back, and both are
    // kept from now on.
    void keep();
    // The window closes: its layout is kept, where it keeps one.
    void window_closing();

  private:
    QMainWindow& window_;
    QSplitter& panes_;
    GridColumnWidths& column_widths_;
    QAction& block_reads_;
    bool keeps_ = false;
};

}  // namespace halvane::qt
