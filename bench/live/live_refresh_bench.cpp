// Live Refresh on the example against the simulated board at 9600 baud, through the real window
// (offscreen) with the plot open: reads a second against the line's limit, the window's CPU and
// the plot's redraws a second.
//
//   QT_QPA_PLATFORM=offscreen live_refresh_bench [seconds] [--line-rate BAUD] [BOARDSIM OPTION...]
// --line-rate 62500 (or 125000) agrees on that rate with the responder through the link's own
// fast line before Live Refresh starts, and measures against that line's limit.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QRegularExpression>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "common/line_rate.h"
#include "common/process_cpu.h"
#include "dialog_answerer.h"
#include "e2e/board_process.h"
#include "grid/watch_table.h"
#include "qt/halvane_window.h"
#include "qt/live_plot_window.h"
#include "qt/watch_grid.h"

namespace {

void run_for(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QString status_of(halvane::qt::HalvaneWindow& window) {
    const auto* label = window.findChild<QLabel*>(QStringLiteral("Status"));
    return label->toolTip().isEmpty() ? label->text() : label->toolTip();
}

// The live figures beside the grid's title, "9.8 sweeps/s, 0 time-outs".
QString figures_of(halvane::qt::HalvaneWindow& window) {
    return window.findChild<QLabel*>(QStringLiteral("live_figures"))->text();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    std::vector<std::string> options;
    for (int i = 2; i < argc; ++i) options.emplace_back(argv[i]);
    const long line_rate = halvane::bench::take_line_rate(options);
    halvane::e2e::BoardProcess board(options);
    if (board.device().empty()) {
        std::fprintf(stderr, "boardsim did not start\n");
        return 1;
    }
    const QString program = QStringLiteral(HALVANE_EXAMPLES_DIR "/counter.s19");
    halvane::qt::HalvaneWindow window(QString::fromStdString(board.device()), HALVANE_EXAMPLES_DIR);
    if (!window.start()) return 1;
    window.session().link().set_fast_line_allowed(false);
    window.show();
    DialogAnswerer answerer(program);
    window.session().download().open_program();
    while (window.session().link().downloading()) run_for(50);
    if (!window.session().link().gate_open()) {
        std::fprintf(stderr, "the download failed: %s\n", qPrintable(status_of(window)));
        return 1;
    }

    // The example's map: count (a word) and four bytes, six reads a sweep.
    int reads_per_sweep = 0;
    const halvane::WatchTable& table = window.session().table();
    for (const int row : table.watched_rows()) reads_per_sweep += table.word(row) ? 2 : 1;
    const auto settle = [&] {
        while (!window.session().link().idle()) run_for(10);
    };
    // The agreement goes before a Get All's first row, once its first read found block reads.
    const auto get_all = [&] {
        window.findChild<QAction*>(QStringLiteral("watch_getall"))->trigger();
        settle();
    };
    get_all();
    const bool agreed =
        halvane::bench::set_line_rate(window.session().link(), line_rate, get_all, settle);
    window.findChild<QAction*>(QStringLiteral("watch_liverefresh"))->setChecked(true);
    window.session().table().set_row(1);
    window.findChild<QAction*>(QStringLiteral("watch_plot"))->trigger();
    window.plot().findChild<QComboBox*>(QStringLiteral("plot_span"))->setCurrentIndex(0);
    run_for(6000);  // the live figures look five seconds back

    const long long redraws_before = window.plot().redraw_count();
    const double cpu_before = halvane::bench::cpu_seconds();
    const auto start = std::chrono::steady_clock::now();
    double rate_sum = 0;
    int rate_samples = 0;
    const QRegularExpression live(QStringLiteral("^([0-9.]+) sweeps/s, ([0-9]+) time-out"));
    for (double passed = 0; passed < seconds; passed += 0.5) {
        run_for(500);
        const auto match = live.match(figures_of(window));
        if (match.hasMatch()) {
            rate_sum += match.captured(1).toDouble();
            ++rate_samples;
        }
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = halvane::bench::cpu_seconds() - cpu_before;
    const double redraws = static_cast<double>(window.plot().redraw_count() - redraws_before);

    const double sweeps_per_second = rate_samples > 0 ? rate_sum / rate_samples : 0;
    const double reads_per_second = sweeps_per_second * reads_per_sweep;
    const double line_limit = static_cast<double>(line_rate) / 10 / (5 + 4);
    std::printf("%ld baud%s; status: %s; live figures: %s\n", line_rate,
                agreed ? "" : " (NOT AGREED)", qPrintable(status_of(window)),
                qPrintable(figures_of(window)));
    std::printf(
        "live refresh: %.1f sweeps/s x %d reads = %.1f reads/s, %.3f of the line's %.1f "
        "(target >= 0.95)\n",
        sweeps_per_second, reads_per_sweep, reads_per_second, reads_per_second / line_limit,
        line_limit);
    std::printf("CPU with the plot open: %.3f s = %.1f%% of one core (target <= 5%%)\n", cpu,
                100.0 * cpu / elapsed);
    std::printf("plot redraws: %.1f a second (target <= 30)\n", redraws / elapsed);
    window.findChild<QAction*>(QStringLiteral("watch_liverefresh"))->setChecked(false);
    settle();
    halvane::bench::set_line_rate(window.session().link(), 9600, get_all, settle);
    window.close();
    return rate_samples > 0 ? 0 : 1;
}
