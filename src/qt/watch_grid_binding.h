#pragma once

#include <QObject>
#include <QTimer>
#include <map>
#include <vector>

#include "grid/watch_table.h"

namespace halvane::qt {

class WatchGrid;

// Shows the watch table on the grid widget: every cell text, the current cell, and the live
// watch's marks. A changed Hex Value lights up and fades within a second (a frame timer runs only
// while some value still fades, so an idle window has nothing to wake it); a row whose last read
// failed is greyed until a read succeeds or the row stands for another variable. What the user
// does on the grid (moving the current cell) goes back into the table.
class WatchGridBinding : public QObject {
    Q_OBJECT

  public:
    WatchGridBinding(WatchTable& table, WatchGrid& grid);
    ~WatchGridBinding() override;

    bool fading() const { return frames_.isActive(); }

  private:
    void cell_changed(int row, int col);
    void current_cell_moved(bool by_user);
    void variable_replaced(int row);
    void reading_noted(const ReadingNotice& notice);
    void fade();

    WatchTable& table_;
    WatchGrid& grid_;
    QTimer frames_;
    std::map<int, double> changed_at_;  // rows still fading, and when they changed
    std::vector<Subscription> told_;
};

}  // namespace halvane::qt
