// Takes the user guide's pictures: opens a program the way a user does (File > Open, choose
// the file, acknowledge the reset box), waits for the download to finish, presses Get All,
// shows the listing and saves the window as a PNG; then, with --plot-out, turns Live Refresh
// on, opens Watch > Plot... on the first row and saves the plot window after a few seconds.
//
//   halvane_screenshot --port DEVICE --program FILE.s19 --out FILE.png [--plot-out FILE.png]
//                      [--timeout-ms N]
//
// Exits 0 with the picture written, 1 when a step did not end as a user would see it,
// 2 on bad arguments, 3 when the whole run took longer than the time-out.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "dialog_answerer.h"
#include "qt/halvane_window.h"
#include "qt/live_plot_window.h"
#include "qt/watch_grid.h"

namespace {

QString status_of(halvane::qt::HalvaneWindow& window) {
    const QLabel* status = window.findChild<QLabel*>(QStringLiteral("Status"));
    return status ? status->text() : QString();
}

// Lets the window settle and paint, without leaving the current handler.
void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lets events run until `done` holds; the commands only start the board link's work, which
// goes on as time passes and the board answers. The run's own time-out ends a step that hangs.
template <typename Done>
void settle_until(Done done) {
    while (!done()) settle(20);
}

int take_picture(halvane::qt::HalvaneWindow& window, const QString& out) {
    window.logic().download().open_program();
    settle_until([&] { return !window.logic().link().downloading(); });
    if (status_of(window) != QStringLiteral("Status: Program Running")) {
        std::fprintf(stderr, "screenshot: after File > Open the status is \"%s\"\n",
                     qPrintable(status_of(window)));
        return 1;
    }
    // The example's counter moves between two refreshes, as it does for a user.
    settle(500);
    window.logic().cells().get_all();
    settle_until([&] { return window.logic().link().idle(); });
    if (window.grid().text(1, 2).empty()) {
        std::fprintf(stderr, "screenshot: Get All left the first row without a value (%s)\n",
                     qPrintable(status_of(window)));
        return 1;
    }
    if (auto* list_file = window.findChild<QRadioButton*>(QStringLiteral("Option1"))) {
        list_file->click();
    }
    // Get All leaves the current cell on the last row it passed: show the top of the grid.
    window.logic().table().set_row(1);
    window.logic().table().set_col(0);
    window.grid().scrollToTop();
    window.grid().clearSelection();
    settle(300);
    if (!window.grab().save(out, "PNG")) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::fprintf(stderr, "screenshot: %s written (%s)\n", qPrintable(out),
                 qPrintable(status_of(window)));
    return 0;
}

int take_plot_picture(halvane::qt::HalvaneWindow& window, const QString& out) {
    window.findChild<QAction*>(QStringLiteral("watch_liverefresh"))->setChecked(true);
    window.logic().table().set_row(1);
    window.findChild<QAction*>(QStringLiteral("watch_plot"))->trigger();
    halvane::qt::LivePlotWindow& plot = window.plot();
    plot.resize(720, 400);
    // The last ten seconds of the counter at the line's pace.
    if (auto* span = plot.findChild<QComboBox*>(QStringLiteral("plot_span")))
        span->setCurrentIndex(0);
    settle(10000);
    if (plot.checked_variables().empty() || !window.logic().watch().sweeping()) {
        std::fprintf(stderr, "screenshot: the plot shows nothing (%s)\n",
                     qPrintable(status_of(window)));
        return 1;
    }
    if (!plot.grab().save(out, "PNG")) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::fprintf(stderr, "screenshot: %s written (%s)\n", qPrintable(out),
                 qPrintable(status_of(window)));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption port(QStringLiteral("port"), "Serial device of the board.", "DEVICE");
    const QCommandLineOption program(QStringLiteral("program"), "Program to open.", "FILE");
    const QCommandLineOption out(QStringLiteral("out"), "PNG file to write.", "FILE");
    const QCommandLineOption plot_out(QStringLiteral("plot-out"),
                                      "PNG file for the picture of the plot.", "FILE");
    const QCommandLineOption timeout(QStringLiteral("timeout-ms"), "Give up after N ms.", "N",
                                     "120000");
    parser.addOptions({port, program, out, plot_out, timeout});
    parser.addHelpOption();
    parser.process(app);
    if (!parser.isSet(port) || !parser.isSet(program) || !parser.isSet(out)) {
        std::fprintf(stderr, "screenshot: --port, --program and --out are needed\n");
        return 2;
    }
    const QFileInfo program_file(parser.value(program));
    if (!program_file.isFile()) {
        std::fprintf(stderr, "screenshot: no program %s\n", qPrintable(parser.value(program)));
        return 2;
    }

    halvane::qt::HalvaneWindow window(parser.value(port),
                                      program_file.absolutePath().toStdString());
    if (!window.start()) return 1;
    window.show();

    DialogAnswerer answerer(program_file.absoluteFilePath());
    QTimer::singleShot(parser.value(timeout).toInt(), [] {
        // A step that hangs would keep a nested loop running: leave at once.
        std::fprintf(stderr, "screenshot: timed out\n");
        std::fflush(stderr);
        std::_Exit(3);
    });
    QTimer::singleShot(200, [&] {
        int status = take_picture(window, parser.value(out));
        if (status == 0 && parser.isSet(plot_out))
            status = take_plot_picture(window, parser.value(plot_out));
        // Closing ends the event loop; the exit code says how the run went.
        window.close();
        QCoreApplication::exit(status);
    });
    return QApplication::exec();
}
