#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

#include "watch/sample_ring.h"

class QChart;
class QChartView;
class QComboBox;
class QLineSeries;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QValueAxis;

namespace halvane::qt {

// A watched row as the plot lists it: its grid row and its name (Description, else Address).
struct PlotRow {
    int row = 0;
    QString name;
};

// "Plot...": a window that draws the values of up to 16 watched rows against time.
//
// It keeps the recent samples of every listed row (so a row checked later shows its past), in
// rings bounded by the longest time window, also while it is closed: keep feeding it, and it
// shows the recent past when it opens again. Closed, it does no drawing work. The window knows
// nothing of the board: whoever reads a row hands the value to `add_sample`. Drawing is coalesced:
// however fast samples arrive, the series are rebuilt at most 30 times a second, each with one
// `replace()`. Time runs along the x axis in seconds before the newest value (-60 to 0), so the
// axes stay put while the lines move.
//
// Object names: "LivePlot" (the window), "plot_rows" (the check list), "plot_span" (the time
// window), "plot_pause" (pause / resume), "plot_chart" (the chart view).
class LivePlotWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kMaxCheckedRows = 16;
    // The time windows offered, the default being the second.
    static constexpr double kSpanSeconds[] = {10, 60, 600};
    static constexpr double kMinRedrawInterval = 1.0 / 30;

    explicit LivePlotWindow(QWidget* parent = nullptr);
    ~LivePlotWindow() override;

    // The rows on offer, in grid order. Rows that keep their number and name keep their samples
    // and their check; the others' samples are dropped.
    void set_rows(const std::vector<PlotRow>& rows);
    // Checks `row` when no row is checked, as when the window opens on the grid's current row.
    void set_current_row(int row);
    // The unsigned value of `row` read at `seconds` (the watch's clock, the same for all rows).
    void add_sample(int row, double seconds, double value);

    // The clock that paces redraws, in seconds; a steady clock unless a test sets another.
    void set_clock(std::function<double()> clock);

    std::vector<int> checked_rows() const;
    bool paused() const;
    double span_seconds() const;
    // How many times the series were rebuilt.
    long long redraw_count() const { return redraws_; }
    QChart& chart() const { return *chart_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    struct RowPlot {
        QString name;
        SampleRing samples;
        QListWidgetItem* item = nullptr;
        QLineSeries* series = nullptr;  // while checked
    };

    void row_check_changed(QListWidgetItem* item);
    void show_series(int row, RowPlot& plot);
    void hide_series(RowPlot& plot);
    void limit_checks();
    void show_span();
    void schedule_redraw();
    void redraw_when_due();
    void redraw();

    QListWidget* rows_list_ = nullptr;
    QComboBox* span_ = nullptr;
    QPushButton* pause_ = nullptr;
    QChartView* chart_view_ = nullptr;
    QChart* chart_ = nullptr;
    QValueAxis* time_axis_ = nullptr;
    QValueAxis* value_axis_ = nullptr;

    std::map<int, RowPlot> rows_;
    std::function<double()> clock_;
    QTimer redraw_timer_;
    bool dirty_ = false;
    bool updating_checks_ = false;
    double newest_seconds_ = 0;
    double last_redraw_at_ = 0;
    bool drawn_ = false;
    long long redraws_ = 0;
};

}  // namespace halvane::qt
