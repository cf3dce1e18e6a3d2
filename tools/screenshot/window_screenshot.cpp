// Takes the user guide's pictures: opens a program the way a user does (File > Open, choose
// the file, acknowledge the reset box), waits for the download to finish, presses Get All,
// shows the listing and saves the window at its drawn size as a PNG; with --plot-out it turns
// Live Refresh on, opens Watch > Plot... on the first row and saves the plot window after a few
// seconds; with --large-out it then makes the window 1920x1080 and saves the whole screen, the
// window with the plot over it. With --debug-out it sets a breakpoint on the listing line
// --debug-line gives (the example's `addd count`), saves the window stopped there, then takes
// the breakpoint out and lets the program go on. --dark gives the application a dark palette
// first, and --live turns Live Refresh on before the first picture.
//
//   halvane_screenshot --port DEVICE --program FILE.s19 --out FILE.png [--plot-out FILE.png]
//                      [--large-out FILE.png] [--debug-out FILE.png --debug-line N] [--dark]
//                      [--live] [--timeout-ms N]
//
// Exits 0 with the pictures written, 1 when a step did not end as a user would see it,
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
#include <QPalette>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
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

bool save(const QPixmap& picture, const QString& out, halvane::qt::HalvaneWindow& window) {
    if (!picture.save(out, "PNG")) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(out));
        return false;
    }
    std::fprintf(stderr, "screenshot: %s written (%s)\n", qPrintable(out),
                 qPrintable(status_of(window)));
    return true;
}

void turn_live_refresh_on(halvane::qt::HalvaneWindow& window) {
    window.findChild<QAction*>(QStringLiteral("watch_liverefresh"))->setChecked(true);
}

// A dark desktop theme: dark backgrounds, light text, a blue highlight.
QPalette dark_palette() {
    const QColor window(0x2d, 0x2d, 0x30);
    const QColor base(0x1e, 0x1e, 0x1e);
    const QColor text(0xe6, 0xe6, 0xe6);
    const QColor disabled(0x80, 0x80, 0x80);
    QPalette palette(window);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x26));
    palette.setColor(QPalette::ToolTipBase, QColor(0x3c, 0x3c, 0x3c));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabled);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x35, 0x35, 0x38));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x5a, 0xa8, 0xf0));
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabled);
    return palette;
}

int take_picture(halvane::qt::HalvaneWindow& window, const QString& out, bool live) {
    window.session().download().open_program();
    settle_until([&] { return !window.session().link().downloading(); });
    if (status_of(window) != QStringLiteral("Status: Program Running")) {
        std::fprintf(stderr, "screenshot: after File > Open the status is \"%s\"\n",
                     qPrintable(status_of(window)));
        return 1;
    }
    // The example's counter moves between two refreshes, as it does for a user.
    settle(500);
    window.session().cells().get_all();
    settle_until([&] { return window.session().link().idle(); });
    if (window.grid().text(1, 2).empty()) {
        std::fprintf(stderr, "screenshot: Get All left the first row without a value (%s)\n",
                     qPrintable(status_of(window)));
        return 1;
    }
    if (auto* list_file = window.findChild<QRadioButton*>(QStringLiteral("Option1"))) {
        list_file->click();
    }
    // Get All leaves the current cell on the last row it passed: show the top of the grid.
    window.session().table().set_row(1);
    window.session().table().set_col(0);
    window.grid().scrollToTop();
    window.grid().clearSelection();
    // With Live Refresh the figures look five seconds back; a changed value lights up.
    if (live) turn_live_refresh_on(window);
    settle(live ? 6000 : 300);
    return save(window.grab(), out, window) ? 0 : 1;
}

// Stopped at a breakpoint: the listing's marks and the register strip, then on again.
int take_debug_picture(halvane::qt::HalvaneWindow& window, const QString& out, int listing_line) {
    halvane::DebugSession& debug = window.session().debug();
    const auto state = [&] { return window.session().link().board_state(); };
    debug.toggle_line(listing_line);
    settle_until(
        [&] { return state() == halvane::BoardState::kStopped && window.session().link().idle(); });
    if (!status_of(window).startsWith(QStringLiteral("Status: Stopped at "))) {
        std::fprintf(stderr, "screenshot: at the breakpoint the status is \"%s\"\n",
                     qPrintable(status_of(window)));
        return 1;
    }
    settle(300);
    const int status = save(window.grab(), out, window) ? 0 : 1;
    debug.toggle_line(listing_line);
    settle_until([&] { return window.session().link().idle(); });
    debug.continue_program();
    settle_until(
        [&] { return state() != halvane::BoardState::kStopped && window.session().link().idle(); });
    return status;
}

int take_plot_picture(halvane::qt::HalvaneWindow& window, const QString& out) {
    turn_live_refresh_on(window);
    window.session().table().set_row(1);
    window.findChild<QAction*>(QStringLiteral("watch_plot"))->trigger();
    halvane::qt::LivePlotWindow& plot = window.plot();
    plot.resize(720, 400);
    // The last ten seconds of the counter at the line's pace.
    if (auto* span = plot.findChild<QComboBox*>(QStringLiteral("plot_span")))
        span->setCurrentIndex(0);
    settle(10000);
    if (plot.checked_variables().empty() || !window.session().watch().sweeping()) {
        std::fprintf(stderr, "screenshot: the plot shows nothing (%s)\n",
                     qPrintable(status_of(window)));
        return 1;
    }
    return save(plot.grab(), out, window) ? 0 : 1;
}

// The window made 1920x1080 as a user makes it on such a screen, Live Refresh on and the plot
// over the lower right of the viewer: the whole screen, as the user sees it.
int take_large_picture(halvane::qt::HalvaneWindow& window, const QString& out) {
    constexpr QSize kLarge(1920, 1080);
    turn_live_refresh_on(window);
    window.setGeometry(QRect(QPoint(0, 0), kLarge));
    halvane::qt::LivePlotWindow& plot = window.plot();
    plot.show();
    plot.setGeometry(QRect(QPoint(kLarge.width() - 760, kLarge.height() - 520), QSize(720, 400)));
    settle(2000);
    if (window.size() != kLarge) {
        std::fprintf(stderr,
                     "screenshot: the window is %dx%d, not 1920x1080 (is the screen as "
                     "large?)\n",
                     window.width(), window.height());
        return 1;
    }
    QScreen* screen = window.screen();
    return save(screen->grabWindow(0, 0, 0, kLarge.width(), kLarge.height()), out, window) ? 0 : 1;
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
    const QCommandLineOption large_out(QStringLiteral("large-out"),
                                       "PNG file for the screen with the window at 1920x1080.",
                                       "FILE");
    const QCommandLineOption debug_out(QStringLiteral("debug-out"),
                                       "PNG file for the window stopped at a breakpoint.", "FILE");
    const QCommandLineOption debug_line(QStringLiteral("debug-line"),
                                        "Listing line of the breakpoint.", "N", "43");
    const QCommandLineOption dark(QStringLiteral("dark"), "Give the application a dark palette.");
    const QCommandLineOption live(QStringLiteral("live"),
                                  "Turn Live Refresh on before the first picture.");
    const QCommandLineOption timeout(QStringLiteral("timeout-ms"), "Give up after N ms.", "N",
                                     "120000");
    parser.addOptions(
        {port, program, out, plot_out, large_out, debug_out, debug_line, dark, live, timeout});
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

    if (parser.isSet(dark)) QApplication::setPalette(dark_palette());
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
        int status = take_picture(window, parser.value(out), parser.isSet(live));
        if (status == 0 && parser.isSet(debug_out))
            status = take_debug_picture(window, parser.value(debug_out),
                                        parser.value(debug_line).toInt());
        if (status == 0 && parser.isSet(plot_out))
            status = take_plot_picture(window, parser.value(plot_out));
        if (status == 0 && parser.isSet(large_out))
            status = take_large_picture(window, parser.value(large_out));
        // Closing ends the event loop; the exit code says how the run went.
        window.close();
        QCoreApplication::exit(status);
    });
    return QApplication::exec();
}
