#pragma once

#include <QObject>
#include <QTimer>
#include <map>

#include "platform/watch_view.h"

namespace halvane::qt {

class LivePlotWindow;
class WatchGrid;

// The live watch's marks on the grid and its samples for the plot. A changed Hex Value lights
// up and fades within a second: a frame timer runs only while some value still fades, so an
// idle window has nothing to wake it.
class WatchViewAdapter : public QObject, public WatchView {
    Q_OBJECT

  public:
    WatchViewAdapter(WatchGrid& grid, LivePlotWindow& plot);

    void show_change(int row) override;
    void show_read_failed(int row, bool failed) override;
    void add_sample(int row, double seconds, double value) override;

    bool fading() const { return frames_.isActive(); }

  private:
    void fade();

    WatchGrid& grid_;
    LivePlotWindow& plot_;
    QTimer frames_;
    std::map<int, double> changed_at_;  // rows still fading, and when they changed
};

}  // namespace halvane::qt
