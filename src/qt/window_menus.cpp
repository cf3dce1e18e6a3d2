#include "qt/window_menus.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <utility>

namespace halvane::qt {

namespace {

QAction* add(QMenu* menu, const char* name, const QString& caption, const QKeySequence& key = {}) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(key);
    return action;
}

QMenu* add_menu(QMenuBar& bar, const char* name, const QString& caption) {
    QMenu* menu = bar.addMenu(caption);
    menu->setObjectName(QStringLiteral("%1_menu").arg(QLatin1String(name)));
    menu->menuAction()->setObjectName(name);
    return menu;
}

void add_interval_menu(QMenu* watch) {
    QMenu* interval = watch->addMenu(QStringLiteral("Refresh &Interval"));
    interval->setObjectName("watch_refreshinterval_menu");
    interval->menuAction()->setObjectName("watch_refreshinterval");
    auto* intervals = new QActionGroup(interval);
    intervals->setExclusive(true);
    const std::pair<const char*, double> choices[] = {
        {"As fast as the line allows", 0}, {"0.1 s", 0.1}, {"0.5 s", 0.5}, {"1 s", 1}, {"2 s", 2}};
    for (const auto& [caption, seconds] : choices) {
        QAction* choice = interval->addAction(QString::fromLatin1(caption));
        choice->setObjectName(QStringLiteral("watch_interval_%1").arg(seconds));
        choice->setCheckable(true);
        choice->setChecked(seconds == 0);
        choice->setData(seconds);
        intervals->addAction(choice);
    }
}

}  // namespace

void add_file_menu(QMenuBar& bar) {
    QMenu* file = add_menu(bar, "file", QStringLiteral("&File"));
    add(file, "File_new", QStringLiteral("&New"));
    add(file, "file_open", QStringLiteral("&Open"));
    add(file, "file_openoverlay", QStringLiteral("Open O&verlay"));
    add(file, "file_importsymbols", QStringLiteral("&Import Symbols..."));
    add(file, "File_save", QStringLiteral("&Save"));
    add(file, "file_serialport", QStringLiteral("Serial &Port..."));
    // Offered only while a download runs.
    add(file, "file_canceldownload", QStringLiteral("&Cancel Download"))->setVisible(false);
}

void add_watch_menu(QMenuBar& bar) {
    QMenu* watch = add_menu(bar, "watch", QStringLiteral("&Watch"));
    // What a double-click does on the current cell, and the Get All button.
    add(watch, "watch_readorwritecell", QStringLiteral("Read or Write &Cell"), Qt::Key_F2);
    add(watch, "watch_getall", QStringLiteral("&Get All"), Qt::Key_F5);
    watch->addSeparator();
    add(watch, "watch_liverefresh", QStringLiteral("&Live Refresh"), Qt::Key_F6)
        ->setCheckable(true);
    add_interval_menu(watch);
    // Checked unless the user's own responder is confused by block read requests.
    QAction* block_reads = add(watch, "watch_blockreads", QStringLiteral("&Block Reads"));
    block_reads->setCheckable(true);
    block_reads->setChecked(true);
    // The line at 62 500 baud with a responder that agrees; the faster choice for short cables.
    QAction* fast_line = add(watch, "watch_fastline", QStringLiteral("&Fast Line (62 500 baud)"));
    fast_line->setCheckable(true);
    fast_line->setChecked(true);
    add(watch, "watch_fastline125000", QStringLiteral("Fast Line at 12&5 000 baud"))
        ->setCheckable(true);
    add(watch, "watch_plot", QStringLiteral("&Plot..."), Qt::Key_F7);
    add(watch, "watch_recordtofile", QStringLiteral("&Record to File..."));
    // Offered only while a recording runs, in place of Record to File.
    add(watch, "watch_stoprecording", QStringLiteral("S&top Recording"))->setVisible(false);
}

void add_board_menu(QMenuBar& bar) {
    QMenu* board = add_menu(bar, "board", QStringLiteral("&Board"));
    add(board, "board_console", QStringLiteral("&Console"), Qt::Key_F12);
    board->addSeparator();
    // Debugging through the monitor (debug_view.h binds them).
    add(board, "board_togglebreakpoint", QStringLiteral("&Toggle Breakpoint"), Qt::Key_F9);
    add(board, "board_continue", QStringLiteral("C&ontinue"), Qt::Key_F8);
    add(board, "board_step", QStringLiteral("&Step"), Qt::Key_F10);
    add(board, "board_runtoline", QStringLiteral("&Run to Line"), Qt::Key_F4);
    add(board, "board_pause", QStringLiteral("&Pause"), Qt::Key_F11);
    add(board, "board_breakpoints", QStringLiteral("&Breakpoints..."));
}

}  // namespace halvane::qt
