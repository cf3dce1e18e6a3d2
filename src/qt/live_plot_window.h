#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

#include "notify/signal.h"
#include "watch/variable_samples.h"

class QChart;
class QChartView;
class QComboBox;
class QLineSeries;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QValueAxis;

namespace halvane::qt {

// "Plot...": a window that draws the values of up to 16 watched variables against time.
//
// It lists the variables of VariableSamples, which keeps their recent values whether or not the
// plot is open, so a variable checked later shows its past. A variable that ends leaves the list
// and the plot. Closed, it does no drawing work. Drawing is coalesced: however fast samples
// arrive, the series are rebuilt at most 30 times a second, each with one `replace()`. Time runs
// along the x axis in seconds before the newest value (-60 to 0), so the axes stay put while the
// lines move. The chart takes its dark theme under a dark palette, its light one otherwise.
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

    explicit LivePlotWindow(VariableSamples& samples, QWidget* parent = nullptr);
    ~LivePlotWindow() override;

    // Checks `variable` when none is checked, as when the window opens on the grid's current
    // row.
    void check_if_none(VariableId variable);

    // The clock that paces redraws, in seconds; a steady clock unless a test sets another.
    void set_clock(std::function<double()> clock);

    std::vector<VariableId> checked_variables() const;
    // The names listed, in order.
    QStringList listed_names() const;
    bool paused() const;
    double span_seconds() const;
    // How many times the series were rebuilt.
    long long redraw_count() const { return redraws_; }
    QChart& chart() const { return *chart_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct Plotted {
        QListWidgetItem* item = nullptr;
        QLineSeries* series = nullptr;  // while checked
    };

    void list_variables();
    void sample_added(VariableId variable);
    void check_changed(QListWidgetItem* item);
    void show_series(VariableId variable, Plotted& plotted);
    void hide_series(Plotted& plotted);
    void limit_checks();
    void show_span();
    void follow_palette();
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

    VariableSamples& samples_;
    std::vector<Subscription> told_;
    std::map<VariableId, Plotted> listed_;
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
