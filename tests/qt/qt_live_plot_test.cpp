// The live plot window: the values read are the values it draws, also those read before it was
// made, a variable that ends leaves it, its check list's limit, its time windows, pause, and how
// often it redraws.

#include <QChart>
#include <QComboBox>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QValueAxis>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "qt/live_plot_window.h"
#include "text/hex_digits.h"

using halvane::VariableId;
using halvane::VariableSamples;
using halvane::WatchTable;
using halvane::qt::LivePlotWindow;

namespace {
// A watched row: its Address and Description.
struct PlotRow {
    int row = 0;
    const char* address = "";
    const char* description = "";
};
}  // namespace

class LivePlotTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void draws_exactly_the_samples_of_the_checked_rows();
    void at_most_sixteen_rows_can_be_checked();
    void the_time_window_chooses_the_samples_drawn();
    void pause_or_close_holds_the_picture_and_it_catches_up();
    void samples_arriving_fast_are_drawn_at_most_thirty_times_a_second();

  private:
    // Rows 1 to `count`, named v1, v2...
    void rows(int count) {
        names_.clear();
        for (int row = 1; row <= count; ++row) names_.push_back("v" + std::to_string(row));
        for (int row = 1; row <= count; ++row)
            set_rows_keeping({{row, "3000", names_[static_cast<std::size_t>(row - 1)].c_str()}});
    }
    // The table's rows become `rows`; every other row is emptied.
    void set_rows(const std::vector<PlotRow>& rows) {
        for (int row = 1; row < WatchTable::kRows; ++row) {
            if (std::none_of(rows.begin(), rows.end(),
                             [row](const PlotRow& r) { return r.row == row; }))
                table_.set_text(row, 0, "");
        }
        set_rows_keeping(rows);
    }
    void set_rows_keeping(const std::vector<PlotRow>& rows) {
        for (const PlotRow& r : rows) {
            table_.set_text(r.row, 0, r.address);
            table_.set_text(r.row, 1, r.description);
            table_.set_text(r.row, 3, "W");
        }
    }
    // A read of `row` giving `value` at `seconds`.
    void add_sample(int row, double seconds, double value) {
        const std::string digits = halvane::hex_text(static_cast<unsigned>(value), 4);
        const std::vector<std::string> replies = {digits.substr(0, 2), digits.substr(2)};
        table_.note_reading(row, table_.variable(row), replies, seconds);
    }
    void set_current_row(int row) { plot_->check_if_none(table_.variable(row)); }
    std::vector<int> checked_rows() const {
        std::vector<int> rows;
        for (const VariableId variable : plot_->checked_variables())
            rows.push_back(table_.row_of(variable));
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    void make_plot() {
        plot_ = std::make_unique<LivePlotWindow>(samples_, nullptr);
        plot_->set_clock([this] { return now_; });
        plot_->show();
        QVERIFY(QTest::qWaitForWindowExposed(plot_.get()));
    }
    QLineSeries* series(const QString& name) const {
        for (QAbstractSeries* s : plot_->chart().series()) {
            if (s->name() == name) return static_cast<QLineSeries*>(s);
        }
        return nullptr;
    }
    // Lets the clock move on and waits for the drawing of what came before.
    void settle() {
        const long long before = plot_->redraw_count();
        now_ += 1;
        QTRY_VERIFY(plot_->redraw_count() > before);
    }
    // Points as drawn: x in seconds before the newest sample.
    static QList<QPointF> before(const QList<QPointF>& samples, double newest) {
        QList<QPointF> points;
        for (const QPointF& sample : samples) points.append({sample.x() - newest, sample.y()});
        return points;
    }
    QListWidgetItem* item(int index) const {
        return plot_->findChild<QListWidget*>("plot_rows")->item(index);
    }

    std::vector<std::string> names_;
    WatchTable table_;
    VariableSamples samples_{table_};
    std::unique_ptr<LivePlotWindow> plot_;
    double now_ = 0;
};

void LivePlotTest::init() {
    now_ = 0;
    set_rows({});
    make_plot();
}

void LivePlotTest::cleanup() {
    plot_.reset();
}

void LivePlotTest::draws_exactly_the_samples_of_the_checked_rows() {
    set_rows({{2, "2402", "count"}, {5, "2405"}, {7, "2404", "step"}});
    const QList<QPointF> run = {{1.0, 1}, {1.5, 0}, {2.25, 255}};
    const QList<QPointF> count = {{1.1, 65535}, {1.6, 0}, {2.0, 4660}};
    // Values are kept from the first read on, before the plot is ever opened.
    plot_.reset();
    add_sample(5, run[0].x(), run[0].y());
    make_plot();
    set_current_row(5);
    set_current_row(2);  // a row is checked already: nothing changes
    QCOMPARE(checked_rows(), std::vector<int>{5});
    QCOMPARE(plot_->chart().series().size(), 1);
    for (int i = 0; i < 3; ++i) {
        if (i > 0) add_sample(5, run[i].x(), run[i].y());
        add_sample(2, count[i].x(), count[i].y());
        add_sample(9, 1.0 + i, 77);  // not a listed row
    }
    settle();
    QVERIFY(series("2405") != nullptr);
    QCOMPARE(series("2405")->points(), before(run, 2.25));

    // Checking a row later shows what it read before.
    item(0)->setCheckState(Qt::Checked);
    settle();
    QCOMPARE(checked_rows(), (std::vector<int>{2, 5}));
    QVERIFY(series("count") != nullptr);
    QCOMPARE(series("count")->points(), before(count, 2.25));

    // Another map: the rows that stand for the same variables keep their values and checks; a
    // row that stands for another one leaves the plot, and its new variable starts afresh.
    set_rows({{2, "2402", "count"}, {5, "2405", "run"}, {8, "2408", "new"}});
    settle();
    QCOMPARE(plot_->listed_names(), (QStringList{"count", "run", "new"}));
    QCOMPARE(checked_rows(), std::vector<int>{2});
    QCOMPARE(series("count")->points(), before(count, 2.25));
    QVERIFY(series("2405") == nullptr);
    add_sample(5, 3.0, 9);
    item(1)->setCheckState(Qt::Checked);
    settle();
    QCOMPARE(series("run")->points(), before({{3.0, 9}}, 3.0));
    QCOMPARE(plot_->chart().series().size(), 2);
}

void LivePlotTest::at_most_sixteen_rows_can_be_checked() {
    rows(20);
    for (int i = 0; i < 16; ++i) item(i)->setCheckState(Qt::Checked);
    QCOMPARE(plot_->chart().series().size(), 16);
    for (int i = 16; i < 20; ++i) QVERIFY(!(item(i)->flags() & Qt::ItemIsEnabled));
    for (int i = 0; i < 16; ++i) QVERIFY(item(i)->flags() & Qt::ItemIsEnabled);

    // A click on a disabled box does nothing.
    QListWidget* list = plot_->findChild<QListWidget*>("plot_rows");
    list->scrollToItem(item(18));
    const QRect box = list->visualItemRect(item(18));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(box.left() + box.height() / 2, box.center().y()));
    QCOMPARE(item(18)->checkState(), Qt::Unchecked);
    QCOMPARE(checked_rows().size(), 16u);

    item(3)->setCheckState(Qt::Unchecked);
    for (int i = 0; i < 20; ++i) QVERIFY(item(i)->flags() & Qt::ItemIsEnabled);
    QCOMPARE(plot_->chart().series().size(), 15);
}

void LivePlotTest::the_time_window_chooses_the_samples_drawn() {
    rows(1);
    set_current_row(1);
    // One sample every 5 s for 1000 s.
    for (int t = 0; t <= 1000; t += 5) add_sample(1, t, t / 5);
    auto* span = plot_->findChild<QComboBox*>("plot_span");
    auto* time_axis = static_cast<QValueAxis*>(plot_->chart().axes(Qt::Horizontal).front());
    const struct {
        int index;
        double span;
        int points;
    } windows[] = {{0, 10, 3}, {1, 60, 13}, {2, 600, 121}};
    for (const auto& window : windows) {
        span->setCurrentIndex(window.index);
        settle();
        QCOMPARE(plot_->span_seconds(), window.span);
        const QList<QPointF> points = series("v1")->points();
        QCOMPARE(points.size(), window.points);
        QCOMPARE(points.front(), QPointF(-window.span, 200 - window.span / 5));
        QCOMPARE(points.back(), QPointF(0, 200));
        QCOMPARE(time_axis->min(), -window.span);
        QCOMPARE(time_axis->max(), 0.0);
    }
}

void LivePlotTest::pause_or_close_holds_the_picture_and_it_catches_up() {
    rows(1);
    set_current_row(1);
    add_sample(1, 1, 10);
    settle();
    auto* pause = plot_->findChild<QPushButton*>("plot_pause");
    pause->click();
    QVERIFY(plot_->paused());
    QCOMPARE(pause->text(), QString("Resume"));
    const long long redraws = plot_->redraw_count();
    add_sample(1, 2, 20);
    now_ += 5;
    QTest::qWait(100);
    QCOMPARE(plot_->redraw_count(), redraws);
    QCOMPARE(series("v1")->points().size(), 1);

    pause->click();
    QCOMPARE(pause->text(), QString("Pause"));
    QTRY_COMPARE(series("v1")->points().size(), 2);

    // Closed, it keeps the samples and draws them when opened again.
    plot_->close();
    add_sample(1, 3, 30);
    now_ += 5;
    QTest::qWait(100);
    QCOMPARE(series("v1")->points().size(), 2);
    plot_->show();
    QTRY_COMPARE(series("v1")->points().size(), 3);
}

void LivePlotTest::samples_arriving_fast_are_drawn_at_most_thirty_times_a_second() {
    rows(2);
    item(0)->setCheckState(Qt::Checked);
    item(1)->setCheckState(Qt::Checked);
    settle();
    const long long before = plot_->redraw_count();
    // A second of samples 4 ms apart, the event loop running between them.
    for (int i = 1; i <= 250; ++i) {
        now_ += 0.004;
        add_sample(1 + i % 2, now_, i);
        QCoreApplication::processEvents();
    }
    QVERIFY(plot_->redraw_count() - before <= 31);
    settle();
    QCOMPARE(series("v1")->points().size() + series("v2")->points().size(), 250);
    QCOMPARE(series("v1")->points().back().y(), 250.0);
}

QTEST_MAIN(LivePlotTest)
#include "qt_live_plot_test.moc"
