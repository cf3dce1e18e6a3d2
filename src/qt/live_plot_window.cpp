#include "qt/live_plot_window.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "qt_adapters/text_encoding.h"
#include "watch/axis_range.h"
#include "watch/plot_points.h"

namespace halvane::qt {

namespace {

constexpr int kVariableRole = Qt::UserRole;
constexpr int kDefaultSpan = 1;
// One-pixel lines take the painter's fast path; the theme's wider pen is stroked as an outline,
// which costs several times as much at every redraw.
void set_thin_pen(QLineSeries& series) {
    QPen pen = series.pen();
    pen.setWidth(1);
    series.setPen(pen);
}

double steady_seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

LivePlotWindow::LivePlotWindow(VariableSamples& samples, QWidget* parent)
    : QWidget(parent, Qt::Window), samples_(samples), clock_(steady_seconds) {
    setObjectName("LivePlot");
    setWindowTitle(QStringLiteral("Halvane Plot"));

    rows_list_ = new QListWidget(this);
    rows_list_->setObjectName("plot_rows");
    rows_list_->setMaximumWidth(200);

    span_ = new QComboBox(this);
    span_->setObjectName("plot_span");
    for (double span : kSpanSeconds) {
        span_->addItem(QStringLiteral("Last %1 s").arg(span), span);
    }
    span_->setCurrentIndex(kDefaultSpan);

    pause_ = new QPushButton(QStringLiteral("Pause"), this);
    pause_->setObjectName("plot_pause");
    pause_->setCheckable(true);

    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignBottom);
    time_axis_ = new QValueAxis;
    time_axis_->setTitleText(QStringLiteral("Time (s)"));
    time_axis_->setLabelFormat(QStringLiteral("%.0f"));
    value_axis_ = new QValueAxis;
    value_axis_->setTitleText(QStringLiteral("Value"));
    value_axis_->setLabelFormat(QStringLiteral("%.0f"));
    chart_->addAxis(time_axis_, Qt::AlignBottom);
    chart_->addAxis(value_axis_, Qt::AlignLeft);
    chart_view_ = new QChartView(chart_, this);  // takes the chart
    chart_view_->setObjectName("plot_chart");
    chart_view_->setRenderHint(QPainter::Antialiasing, false);

    auto* controls = new QHBoxLayout;
    controls->addWidget(span_);
    controls->addWidget(pause_);
    controls->addStretch();
    auto* right = new QVBoxLayout;
    right->addLayout(controls);
    right->addWidget(chart_view_, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(rows_list_);
    layout->addLayout(right, 1);
    resize(800, 450);
    show_span();
    follow_palette();

    redraw_timer_.setSingleShot(true);
    connect(&redraw_timer_, &QTimer::timeout, this, [this] { redraw_when_due(); });
    connect(rows_list_, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { check_changed(item); });
    connect(span_, &QComboBox::currentIndexChanged, this, [this] {
        show_span();
        schedule_redraw();
    });
    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        pause_->setText(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
        if (!paused) schedule_redraw();
    });
    told_.push_back(samples_.variables_changed.subscribe([this] { list_variables(); }));
    told_.push_back(
        samples_.sample_added.subscribe([this](VariableId variable) { sample_added(variable); }));
    list_variables();
}

LivePlotWindow::~LivePlotWindow() = default;

void LivePlotWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    schedule_redraw();
}

void LivePlotWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) follow_palette();
}

// A new theme gives every series the theme's own pen again, so the one-pixel width is set
// anew.
void LivePlotWindow::follow_palette() {
    constexpr int kDarkLightness = 128;
    const bool dark = palette().color(QPalette::Window).lightness() < kDarkLightness;
    const QChart::ChartTheme theme = dark ? QChart::ChartThemeDark : QChart::ChartThemeLight;
    if (chart_->theme() == theme) return;
    chart_->setTheme(theme);
    for (const auto& [variable, plotted] : listed_) {
        if (plotted.series != nullptr) set_thin_pen(*plotted.series);
    }
}

void LivePlotWindow::set_clock(std::function<double()> clock) {
    clock_ = std::move(clock);
}

// The variables on offer, in row order. Those that go on keep their check; an ended one leaves
// the plot.
void LivePlotWindow::list_variables() {
    std::map<VariableId, Plotted> kept;
    for (const VariableId variable : samples_.variables()) {
        const auto old = listed_.find(variable);
        if (old != listed_.end()) {
            kept.emplace(variable, old->second);
            listed_.erase(old);
        }
    }
    for (auto& [variable, plotted] : listed_) hide_series(plotted);
    listed_ = std::move(kept);

    updating_checks_ = true;
    rows_list_->clear();
    for (const VariableId variable : samples_.variables()) {
        Plotted& plotted = listed_[variable];
        const VariableSamples::Series* series = samples_.series(variable);
        const QString name = from_utf8(series != nullptr ? series->name : std::string());
        plotted.item = new QListWidgetItem(name, rows_list_);
        plotted.item->setData(kVariableRole, QVariant::fromValue<qulonglong>(variable));
        plotted.item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        plotted.item->setCheckState(plotted.series != nullptr ? Qt::Checked : Qt::Unchecked);
        if (plotted.series != nullptr) plotted.series->setName(name);
    }
    updating_checks_ = false;
    limit_checks();
    schedule_redraw();
}

void LivePlotWindow::check_if_none(VariableId variable) {
    if (!checked_variables().empty()) return;
    const auto found = listed_.find(variable);
    if (found != listed_.end()) found->second.item->setCheckState(Qt::Checked);
}

void LivePlotWindow::sample_added(VariableId variable) {
    const VariableSamples::Series* series = samples_.series(variable);
    if (series == nullptr || series->samples.empty()) return;
    newest_seconds_ = std::max(newest_seconds_, series->samples.newest().seconds);
    const auto found = listed_.find(variable);
    if (found != listed_.end() && found->second.series != nullptr) schedule_redraw();
}

std::vector<VariableId> LivePlotWindow::checked_variables() const {
    std::vector<VariableId> checked;
    for (int i = 0; i < rows_list_->count(); ++i) {
        const QListWidgetItem* item = rows_list_->item(i);
        if (item->checkState() == Qt::Checked)
            checked.push_back(item->data(kVariableRole).toULongLong());
    }
    return checked;
}

QStringList LivePlotWindow::listed_names() const {
    QStringList names;
    for (int i = 0; i < rows_list_->count(); ++i) names << rows_list_->item(i)->text();
    return names;
}

bool LivePlotWindow::paused() const {
    return pause_->isChecked();
}

double LivePlotWindow::span_seconds() const {
    return span_->currentData().toDouble();
}

void LivePlotWindow::check_changed(QListWidgetItem* item) {
    if (updating_checks_) return;
    const auto found = listed_.find(item->data(kVariableRole).toULongLong());
    if (found == listed_.end()) return;
    if (item->checkState() == Qt::Checked) {
        show_series(found->first, found->second);
    } else {
        hide_series(found->second);
    }
    limit_checks();
    schedule_redraw();
}

void LivePlotWindow::show_series(VariableId variable, Plotted& plotted) {
    if (plotted.series != nullptr) return;
    plotted.series = new QLineSeries;
    plotted.series->setName(plotted.item->text());
    plotted.series->setObjectName(QStringLiteral("plot_series_%1").arg(variable));
    chart_->addSeries(plotted.series);  // the chart owns it from here
    set_thin_pen(*plotted.series);
    plotted.series->attachAxis(time_axis_);
    plotted.series->attachAxis(value_axis_);
}

void LivePlotWindow::hide_series(Plotted& plotted) {
    if (plotted.series == nullptr) return;
    chart_->removeSeries(plotted.series);
    delete plotted.series;
    plotted.series = nullptr;
}

// With the most rows checked, the unchecked boxes are disabled until one is cleared.
void LivePlotWindow::limit_checks() {
    const bool full = checked_variables().size() >= kMaxCheckedRows;
    updating_checks_ = true;
    for (int i = 0; i < rows_list_->count(); ++i) {
        QListWidgetItem* item = rows_list_->item(i);
        const bool enabled = !full || item->checkState() == Qt::Checked;
        item->setFlags(enabled ? item->flags() | Qt::ItemIsEnabled
                               : item->flags() & ~Qt::ItemIsEnabled);
    }
    updating_checks_ = false;
}

// The next redraw happens once the previous one is kMinRedrawInterval old; samples arriving
// meanwhile join it.
void LivePlotWindow::schedule_redraw() {
    dirty_ = true;
    // A closed window only keeps its samples; it draws them when it is shown again.
    if (paused() || !isVisible()) return;
    const double wait = drawn_ ? last_redraw_at_ + kMinRedrawInterval - clock_() : 0;
    // A timer already set keeps its time, unless the clock says the redraw is due now.
    if (redraw_timer_.isActive() && wait > 0) return;
    redraw_timer_.start(std::max(0, static_cast<int>(std::ceil(wait * 1000))));
}

void LivePlotWindow::redraw_when_due() {
    if (!dirty_ || paused()) return;
    const double wait = drawn_ ? last_redraw_at_ + kMinRedrawInterval - clock_() : 0;
    if (wait > 0) {
        redraw_timer_.start(std::max(1, static_cast<int>(std::ceil(wait * 1000))));
        return;
    }
    redraw();
}

// The time axis stays put, its 0 at the newest value, so that a redraw moves only the lines
// and the axes' labels are laid out again only when their range changes.
void LivePlotWindow::show_span() {
    const double span = span_seconds();
    time_axis_->setRange(-span, 0);
    time_axis_->setTickCount(span <= 10 ? 11 : 7);
}

void LivePlotWindow::redraw() {
    dirty_ = false;
    drawn_ = true;
    last_redraw_at_ = clock_();
    ++redraws_;

    const double to = newest_seconds_;
    const double from = to - span_seconds();
    const auto columns = static_cast<std::size_t>(std::max(100.0, chart_->plotArea().width()));
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    std::vector<Sample> points;
    QList<QPointF> series_points;
    for (auto& [variable, plotted] : listed_) {
        const VariableSamples::Series* series = samples_.series(variable);
        if (plotted.series == nullptr || series == nullptr) continue;
        plot_points(series->samples, from, to, columns, points);
        series_points.clear();
        series_points.reserve(static_cast<qsizetype>(points.size()));
        for (const Sample& point : points) {
            series_points.append(QPointF(point.seconds - to, point.value));
            low = std::min(low, point.value);
            high = std::max(high, point.value);
        }
        plotted.series->replace(series_points);
    }

    const AxisRange range = low <= high ? nice_axis_range(low, high) : AxisRange{};
    if (range.min != value_axis_->min() || range.max != value_axis_->max()) {
        value_axis_->setRange(range.min, range.max);
        value_axis_->setTickCount(range.ticks);
    }
}

}  // namespace halvane::qt
