// The live plot window: the values it is given are the values it draws, its check list's limit,
// its time windows, pause, and how often it redraws.

#include <QChart>
#include <QComboBox>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QValueAxis>
#include <memory>

#include "qt/live_plot_window.h"

using halvane::qt::LivePlotWindow;
using halvane::qt::PlotRow;

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
    std::vector<PlotRow> rows(int count) const {
        std::vector<PlotRow> list;
        for (int row = 1; row <= count; ++row)
            list.push_back({row, QStringLiteral("v%1").arg(row)});
        return list;
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

    std::unique_ptr<LivePlotWindow> plot_;
    double now_ = 0;
};

void LivePlotTest::init() {
    now_ = 0;
    plot_ = std::make_unique<LivePlotWindow>();
    plot_->set_clock([this] { return now_; });
    plot_->show();
    QVERIFY(QTest::qWaitForWindowExposed(plot_.get()));
}

void LivePlotTest::cleanup() {
    plot_.reset();
}

void LivePlotTest::draws_exactly_the_samples_of_the_checked_rows() {
    plot_->set_rows({{2, "count"}, {5, "2405"}, {7, "step"}});
    plot_->set_current_row(5);
    plot_->set_current_row(2);  // a row is checked already: nothing changes
    QCOMPARE(plot_->checked_rows(), std::vector<int>{5});
    QCOMPARE(plot_->chart().series().size(), 1);

    const QList<QPointF> run = {{1.0, 1}, {1.5, 0}, {2.25, 255}};
    const QList<QPointF> count = {{1.1, 65535}, {1.6, 0}, {2.0, 4660}};
    for (int i = 0; i < 3; ++i) {
        plot_->add_sample(5, run[i].x(), run[i].y());
        plot_->add_sample(2, count[i].x(), count[i].y());
        plot_->add_sample(9, 1.0 + i, 77);  // not a listed row
    }
    settle();
    QVERIFY(series("2405") != nullptr);
    QCOMPARE(series("2405")->points(), before(run, 2.25));

    // Checking a row later shows what it read before.
    item(0)->setCheckState(Qt::Checked);
    settle();
    QCOMPARE(plot_->checked_rows(), (std::vector<int>{2, 5}));
    QVERIFY(series("count") != nullptr);
    QCOMPARE(series("count")->points(), before(count, 2.25));

    // New rows keep the samples and checks of the rows that stayed the same.
    plot_->set_rows({{2, "count"}, {5, "run"}, {8, "new"}});
    settle();
    QCOMPARE(plot_->checked_rows(), std::vector<int>{2});
    QCOMPARE(series("count")->points(), before(count, 2.25));
    item(1)->setCheckState(Qt::Checked);
    settle();
    QVERIFY(series("run")->points().isEmpty());
    QCOMPARE(plot_->chart().series().size(), 2);
}

void LivePlotTest::at_most_sixteen_rows_can_be_checked() {
    plot_->set_rows(rows(20));
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
    QCOMPARE(plot_->checked_rows().size(), 16u);

    item(3)->setCheckState(Qt::Unchecked);
    for (int i = 0; i < 20; ++i) QVERIFY(item(i)->flags() & Qt::ItemIsEnabled);
    QCOMPARE(plot_->chart().series().size(), 15);
}

void LivePlotTest::the_time_window_chooses_the_samples_drawn() {
    plot_->set_rows(rows(1));
    plot_->set_current_row(1);
    // One sample every 5 s for 1000 s.
    for (int t = 0; t <= 1000; t += 5) plot_->add_sample(1, t, t / 5);
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
    plot_->set_rows(rows(1));
    plot_->set_current_row(1);
    plot_->add_sample(1, 1, 10);
    settle();
    auto* pause = plot_->findChild<QPushButton*>("plot_pause");
    pause->click();
    QVERIFY(plot_->paused());
    QCOMPARE(pause->text(), QString("Resume"));
    const long long redraws = plot_->redraw_count();
    plot_->add_sample(1, 2, 20);
    now_ += 5;
    QTest::qWait(100);
    QCOMPARE(plot_->redraw_count(), redraws);
    QCOMPARE(series("v1")->points().size(), 1);

    pause->click();
    QCOMPARE(pause->text(), QString("Pause"));
    QTRY_COMPARE(series("v1")->points().size(), 2);

    // Closed, it keeps the samples and draws them when opened again.
    plot_->close();
    plot_->add_sample(1, 3, 30);
    now_ += 5;
    QTest::qWait(100);
    QCOMPARE(series("v1")->points().size(), 2);
    plot_->show();
    QTRY_COMPARE(series("v1")->points().size(), 3);
}

void LivePlotTest::samples_arriving_fast_are_drawn_at_most_thirty_times_a_second() {
    plot_->set_rows(rows(2));
    item(0)->setCheckState(Qt::Checked);
    item(1)->setCheckState(Qt::Checked);
    settle();
    const long long before = plot_->redraw_count();
    // A second of samples 4 ms apart, the event loop running between them.
    for (int i = 1; i <= 250; ++i) {
        now_ += 0.004;
        plot_->add_sample(1 + i % 2, now_, i);
        QCoreApplication::processEvents();
    }
    QVERIFY(plot_->redraw_count() - before <= 31);
    settle();
    QCOMPARE(series("v1")->points().size() + series("v2")->points().size(), 250);
    QCOMPARE(series("v1")->points().back().y(), 250.0);
}

QTEST_MAIN(LivePlotTest)
#include "qt_live_plot_test.moc"
