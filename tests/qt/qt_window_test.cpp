// The main window with the real logic behind it and a pseudo-terminal as the board's line:
// start-up state, every control's place at the drawn size and in a larger window, the status
// texts, the menu and its keys, which events reach which handler, the receive path, and
// closing the window in the middle of a wait.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <array>
#include <map>

#include "pty_pair.h"
#include "qt/halvane_window.h"
#include "qt/live_plot_window.h"
#include "qt/serial_port_dialog.h"
#include "qt/twips.h"
#include "qt/watch_grid.h"
#include "qt_adapters/qt_serial_port.h"
#include "qt_adapters/user_settings.h"
#include "status/status_texts.h"
#include "symbols/symbol_import.h"
#include "watch/link_health.h"

using halvane::qt::HalvaneWindow;
using halvane::testing::PtyPair;
namespace texts = halvane::texts;

namespace {

struct Placement {
    const char* name;
    int left, top, width, height;
};

// Left, top, width, height in twips within the client area.
constexpr Placement kPlacements[] = {
    {"Label2", 120, 120, 1215, 255},         {"get_all", 4080, 120, 1335, 255},
    {"Option1", 5640, 120, 975, 255},        {"Option2", 6720, 120, 855, 255},
    {"Option3", 7800, 120, 1455, 255},       {"DataGrid", 120, 360, 5295, 4170},
    {"RegisterStrip", 120, 4530, 5295, 285}, {"RichTextBox1", 5520, 360, 6255, 4455},
    {"Text1", 120, 4920, 11655, 495},        {"Console", 120, 5430, 11655, 375},
    {"Status", 120, 6000, 3135, 255},        {"ProgressBar1", 3240, 6000, 8415, 255},
};

QString q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The status line's texts with typical values in their blanks.
QStringList status_texts() {
    return {q(texts::kAwaitingProgramFile),
            q(texts::kAwaitingProgram),
            q(texts::kSendingFile),
            q(texts::kProgramRunning),
            q(texts::kNotConfirmed),
            q(texts::kNoRecords),
            q(halvane::moved_rows_status(texts::kProgramRunning, 3)),
            q(texts::kDownloadFailed) + "No such file or directory",
            q(texts::kDownloadFailed) + q(texts::kBoardReported) + "error: line 12: bad checksum",
            q(texts::kDownloadCancelled),
            q(texts::kNoReplyAt) + "2402",
            q(texts::kInvalidAddressInRow) + "12",
            q(texts::kInvalidValueForRow) + "12",
            q(texts::kBusy),
            q(texts::kStatusPrefix) + "The serial device was disconnected",
            q(texts::kStatusPrefix) + q(texts::kPortClosed),
            q(texts::kStatusPrefix) +
                "Cannot open the serial port /dev/ttyUSB0: No such file or directory"};
}

// Collects the name of every modal dialog that opens, and cancels it.
class ModalWatcher {
  public:
    ModalWatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened.push_back(modal->objectName());
                if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            }
        });
        timer_.start(0);
    }
    QStringList opened;

  private:
    QTimer timer_;
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    // A port chosen in a test is remembered in a settings folder of the tests' own.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void starts_up_in_the_documented_state();
    void every_control_has_its_kind_text_and_place();
    void a_larger_window_gives_its_room_to_the_grid_the_viewer_and_text1();
    void every_status_text_fits_whole_at_the_drawn_size();
    void two_rules_in_the_frame_colour();
    void tab_order_follows_the_design();
    void menu_has_its_captions_access_keys_and_function_keys();
    void function_keys_start_their_commands_and_ctrl_letters_go_into_the_cell();
    void menu_commands_open_their_dialogs_and_new_does_nothing();
    void import_symbols_runs_from_the_file_dialog_through_the_list_into_the_grid();
    void clicks_on_passive_controls_run_nothing();
    void option_buttons_load_their_companions();
    void typing_in_the_grid_edits_the_current_cell();
    void serial_input_reaches_text1_only_through_the_open_gate();
    void f12_puts_the_focus_in_the_console_where_enter_sends_and_up_recalls();
    void line_failure_is_shown_and_the_window_keeps_running();
    void serial_port_dialog_reconnects_after_an_unplug_and_switches_to_another_port();
    void closing_during_a_read_ends_it_and_stays_closed();
    void closing_during_a_read_ends_the_event_loop_with_status_0();

  private:
    template <typename T>
    T* control(const char* name) {
        T* found = window_->findChild<T*>(name);
        if (found == nullptr) qWarning("no control %s", name);
        return found;
    }
    QRect twips(int left, int top, int width, int height) const {
        return halvane::qt::twips_rect(*window_, left, top, width, height);
    }
    // Where a control stands within the client area, whatever holds it.
    QRect placed(const char* name) {
        QWidget* widget = control<QWidget>(name);
        return QRect(widget->mapTo(window_->centralWidget(), QPoint(0, 0)), widget->size());
    }
    void double_click(QWidget* viewport, QPoint at) {
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    }

    std::unique_ptr<PtyPair> pty_;
    std::unique_ptr<HalvaneWindow> window_;
};

void WindowTest::init() {
    pty_ = std::make_unique<PtyPair>();
    QVERIFY(pty_->ok());
    window_ = std::make_unique<HalvaneWindow>(pty_->slave_name(), QDir::tempPath().toStdString());
    // Nothing answers on the far side: the link does not ask what the board does (the core
    // tests and the end-to-end test pin that down).
    window_->session().link().set_state_checks(false);
    QVERIFY(window_->start());
    // Every open sends a NUL first, for a board a crashed program left at a fast rate.
    QCOMPARE(pty_->receive(1, 1000), QByteArray(1, '\0'));
    QTRY_VERIFY(window_->session().link().idle());
    // Nothing on the far side of the pseudo-terminal answers block reads: Watch > Block Reads
    // off, the window reads byte by byte at once.
    window_->findChild<QAction*>("watch_blockreads")->setChecked(false);
    QVERIFY(!window_->session().link().block_reads_allowed());
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

void WindowTest::cleanup() {
    window_.reset();
    pty_.reset();
}

void WindowTest::starts_up_in_the_documented_state() {
    QCOMPARE(window_->windowTitle(), QString("CME11E9 Halvane"));
    QCOMPARE(control<QLabel>("Status")->text(), QString("Status: Awaiting Program File"));
    const QStringList headings{"Address", "Description", "Hex Value", "Flag", "Dec Value"};
    for (int col = 0; col < 5; ++col) {
        QCOMPARE(window_->grid().horizontalHeaderItem(col)->text(), headings[col]);
        QCOMPARE(window_->grid().item(0, col)->text(), QString());
    }
    QCOMPARE(window_->grid().rowCount(), 99);  // under the heading row
    QCOMPARE(window_->grid().columnCount(), 5);
    QVERIFY(window_->grid().verticalHeader()->isHidden());
    QCOMPARE(window_->grid().row(), 1);
    QCOMPARE(window_->grid().col(), 0);
    QCOMPARE(control<QLineEdit>("Text1")->text(), QString());
    QCOMPARE(control<QTextEdit>("RichTextBox1")->toPlainText(), QString());
    QVERIFY(control<QRadioButton>("Option1")->isChecked());
    QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 0);
    QVERIFY(!window_->session().link().gate_open());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&window_->grid()));
    QVERIFY(window_->serial_port().is_open());
    QVERIFY(window_->session().link().idle());
}

void WindowTest::every_control_has_its_kind_text_and_place() {
    QWidget* client = window_->centralWidget();
    QCOMPARE(client->size(), twips(0, 0, 11880, 6360).size());
    QCOMPARE(client->y(), window_->menuBar()->geometry().bottom() + 1);
    for (const Placement& p : kPlacements) {
        QWidget* widget = control<QWidget>(p.name);
        QVERIFY2(widget != nullptr, p.name);
        QVERIFY(client->isAncestorOf(widget));
        QCOMPARE(placed(p.name), twips(p.left, p.top, p.width, p.height));
        QVERIFY(widget->isVisible());
        // The register strip is greyed until a program stops.
        QCOMPARE(widget->isEnabled(), std::string_view(p.name) != "RegisterStrip");
    }
    if (window_->logicalDpiX() == 96 && window_->logicalDpiY() == 96) {
        QCOMPARE(client->size(), QSize(792, 424));
        QCOMPARE(placed("DataGrid"), QRect(8, 24, 353, 278));
    }

    QCOMPARE(control<QLabel>("Label2")->text(), QString("Memory Dump"));
    QCOMPARE(control<QPushButton>("get_all")->text(), QString("Get All"));
    QCOMPARE(control<QRadioButton>("Option1")->text(), QString("List File"));
    QCOMPARE(control<QRadioButton>("Option2")->text(), QString("C code"));
    QCOMPARE(control<QRadioButton>("Option3")->text(), QString("Prog Desc"));
    QVERIFY(control<halvane::qt::WatchGrid>("DataGrid") != nullptr);
    QVERIFY(control<QTextEdit>("RichTextBox1")->isReadOnly());
    QVERIFY(!control<QLineEdit>("Text1")->isReadOnly());
    QVERIFY(control<QProgressBar>("ProgressBar1") != nullptr);
    // The font is fitted so that no caption is cut off.
    for (const char* name : {"Label2", "Option1", "Option2", "Option3", "Status"}) {
        QWidget* widget = control<QWidget>(name);
        QVERIFY2(widget->sizeHint().width() <= widget->width(), name);
    }

    const auto widths = std::array{900, 1900, 900, 400, 900};
    for (int col = 0; col < 5; ++col) {
        QCOMPARE(window_->grid().columnWidth(col), halvane::qt::twips_x(*window_, widths[col]));
    }
}

void WindowTest::a_larger_window_gives_its_room_to_the_grid_the_viewer_and_text1() {
    halvane::qt::remember_window_layout({});  // nothing left by an earlier run
    halvane::qt::remember_block_reads_allowed(true);
    halvane::qt::remember_fast_line_allowed(false);
    halvane::qt::remember_fastest_line_chosen(true);
    window_->keep_in_user_settings();
    QVERIFY(window_->session().link().block_reads_allowed());  // the setting comes back
    QVERIFY(!window_->session().link().fast_line_allowed());
    QCOMPARE(window_->session().link().fast_line_target().baud, 125000L);
    window_->findChild<QAction*>("watch_blockreads")->setChecked(false);
    QVERIFY(!halvane::qt::block_reads_allowed());  // and is kept
    window_->findChild<QAction*>("watch_fastline")->setChecked(true);
    window_->findChild<QAction*>("watch_fastline125000")->setChecked(false);
    QVERIFY(halvane::qt::fast_line_allowed());
    QVERIFY(!halvane::qt::fastest_line_chosen());
    QCOMPARE(window_->session().link().fast_line_target().baud, 62500L);
    QWidget* client = window_->centralWidget();
    const QSize drawn = client->size();
    QCOMPARE(window_->minimumSize(), window_->size());
    const QStringList names{"Label2",       "get_all", "Option1", "DataGrid",
                            "RichTextBox1", "Text1",   "Status",  "ProgressBar1"};
    std::map<QString, QRect> before;
    for (const QString& name : names) before[name] = placed(qPrintable(name));
    halvane::qt::WatchGrid& grid = window_->grid();
    std::array<int, 5> widths{};
    for (int col = 0; col < 5; ++col) widths[col] = grid.columnWidth(col);

    const QSize extra(600, 300);
    window_->resize(window_->size() + extra);
    QTRY_COMPARE(client->size(), drawn + extra);
    const QRect grid_at = placed("DataGrid");
    const QRect viewer_at = placed("RichTextBox1");
    // The grid and the viewer share the extra width and take the extra height.
    QCOMPARE(grid_at.width() + viewer_at.width(),
             before["DataGrid"].width() + before["RichTextBox1"].width() + extra.width());
    QVERIFY(grid_at.width() > before["DataGrid"].width() + extra.width() / 4);
    QVERIFY(viewer_at.width() > before["RichTextBox1"].width() + extra.width() / 4);
    QCOMPARE(grid_at.height(), before["DataGrid"].height() + extra.height());
    // The register strip under the grid keeps its height.
    QCOMPARE(viewer_at.height(), grid_at.height() + placed("RegisterStrip").height());
    QCOMPARE(placed("Text1"),
             before["Text1"].adjusted(0, extra.height(), extra.width(), extra.height()));
    // Captions and buttons stay beside the controls they belong to.
    QCOMPARE(placed("Label2"), before["Label2"]);
    QCOMPARE(placed("get_all").size(), before["get_all"].size());
    QCOMPARE(placed("get_all").right(), grid_at.right());
    QCOMPARE(placed("Option1").topLeft() - viewer_at.topLeft(),
             before["Option1"].topLeft() - before["RichTextBox1"].topLeft());
    QCOMPARE(placed("Status"), before["Status"].translated(0, extra.height()));
    QCOMPARE(placed("ProgressBar1").right(), before["ProgressBar1"].right() + extra.width());
    // The grid's extra width goes to Description.
    for (int col = 0; col < 5; ++col) {
        const int grown = col == 1 ? grid_at.width() - before["DataGrid"].width() : 0;
        QCOMPARE(grid.columnWidth(col), widths[col] + grown);
    }

    // The divider never collapses a pane, and a width the user drags is kept.
    auto* panes = control<QSplitter>("panes");
    panes->setSizes({0, 10000});
    QVERIFY(placed("DataGrid").width() >= placed("get_all").width() + placed("Label2").width());
    QVERIFY(placed("get_all").left() > placed("Label2").right());
    panes->setSizes({10000, 0});
    QVERIFY(placed("Option3").right() < placed("RichTextBox1").right());
    panes->setSizes({300, 300});
    grid.horizontalHeader()->resizeSection(0, 90);
    window_->resize(800, 560);
    QTRY_COMPARE(window_->size(), QSize(800, 560));
    QCOMPARE(grid.columnWidth(0), 90);

    // Closed and opened again, the window comes back as the user left it.
    const QList<int> divider = panes->sizes();
    window_->close();
    HalvaneWindow again(pty_->slave_name(), QDir::tempPath().toStdString());
    again.keep_in_user_settings();
    again.show();
    QTRY_COMPARE(again.size(), QSize(800, 560));
    QCOMPARE(again.findChild<QSplitter*>("panes")->sizes(), divider);
    QCOMPARE(again.grid().columnWidth(0), 90);
}

void WindowTest::every_status_text_fits_whole_at_the_drawn_size() {
    auto* status = control<QLabel>("Status");
    auto* progress = control<QProgressBar>("ProgressBar1");
    const QRect row_end = placed("ProgressBar1");
    const int drawn_width = status->width();
    int widest = 0;
    for (const QString& text : status_texts()) {
        window_->session().status().set_program_status(text.toStdString());
        QCOMPARE(status->text(), text);
        QCOMPARE(status->toolTip(), QString());
        QVERIFY(status->width() >= drawn_width);
        QVERIFY2(progress->width() >= 150, qPrintable(text));
        QCOMPARE(placed("ProgressBar1").right(), row_end.right());
        QVERIFY(placed("ProgressBar1").left() <= placed("Status").right() + 1);
        widest = std::max(widest, status->width());
    }
    QVERIFY(widest > drawn_width);
    // The live figures have room of their own between the grid's title and Get All.
    auto* figures = control<QLabel>("live_figures");
    QVERIFY(figures->fontMetrics().horizontalAdvance(q(halvane::link_health_text(99.9, 99))) <=
            figures->contentsRect().width());
    QVERIFY(figures->x() > control<QLabel>("Label2")->geometry().right());
    // A longer text keeps its middle left out, and whole in the tooltip.
    const QString serial_error =
        "Status: The serial port /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0 "
        "(/dev/ttyUSB0) reported an error nobody expected: Input/output error";
    window_->session().status().show_failure(serial_error.toStdString());
    QVERIFY(status->text().contains(QChar(0x2026)));
    QCOMPARE(status->toolTip(), serial_error);
    QCOMPARE(progress->width(), 150);
}

void WindowTest::two_rules_in_the_frame_colour() {
    auto* line1 = control<QFrame>("Line1");
    auto* line2 = control<QFrame>("Line2");
    QVERIFY(line1 && line2);
    QCOMPARE(line1->geometry().topLeft(), twips(0, 0, 0, 0).topLeft());
    QCOMPARE(line2->geometry().topLeft(), twips(0, 5880, 0, 0).topLeft());
    QCOMPARE(line1->width(), halvane::qt::twips_x(*window_, 12000));
    QCOMPARE(line2->height(), 1);
    const QColor frame = window_->palette().color(QPalette::Shadow);
    QCOMPARE(line1->palette().color(QPalette::Window), frame);
    QCOMPARE(line2->palette().color(QPalette::Window), frame);
    QVERIFY(line1->autoFillBackground());
}

void WindowTest::tab_order_follows_the_design() {
    const QStringList expected{"DataGrid", "Text1",   "Console", "RichTextBox1",
                               "Option1",  "Option2", "Option3", "get_all"};
    QStringList chain;
    QWidget* widget = &window_->grid();
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->window() == window_.get() &&
            expected.contains(widget->objectName())) {
            chain << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != &window_->grid() && chain.size() < 20);
    QCOMPARE(chain, expected);
    for (const char* passive : {"Label2", "Status", "ProgressBar1", "Line1", "Line2"}) {
        QCOMPARE(control<QWidget>(passive)->focusPolicy() & Qt::TabFocus, 0);
    }
}

void WindowTest::menu_has_its_captions_access_keys_and_function_keys() {
    const QList<QAction*> top = window_->menuBar()->actions();
    QCOMPARE(top.size(), 3);
    QCOMPARE(top[0]->text(), QString("&File"));
    QCOMPARE(top[1]->text(), QString("&Watch"));
    QCOMPARE(top[2]->text(), QString("&Board"));
    QStringList board_captions, board_keys;
    for (QAction* item : top[2]->menu()->actions()) {
        board_captions << item->text();
        board_keys << item->shortcut().toString();
    }
    QCOMPARE(board_captions, (QStringList{"&Console", "", "&Toggle Breakpoint", "C&ontinue",
                                          "&Step", "&Run to Line", "&Pause", "&Breakpoints..."}));
    QCOMPARE(board_keys, (QStringList{"F12", "", "F9", "F8", "F10", "F4", "F11", ""}));
    QStringList watch_captions, watch_keys;
    for (QAction* item : top[1]->menu()->actions()) {
        watch_captions << item->text();
        watch_keys << item->shortcut().toString();
    }
    QCOMPARE(watch_captions, (QStringList{"Read or Write &Cell", "&Get All", "", "&Live Refresh",
                                          "Refresh &Interval", "&Block Reads",
                                          "&Fast Line (62 500 baud)", "Fast Line at 12&5 000 baud",
                                          "&Plot...", "&Record to File...", "S&top Recording"}));
    QCOMPARE(watch_keys, (QStringList{"F2", "F5", "", "F6", "", "", "", "", "F7", "", ""}));
    QVERIFY(window_->findChild<QAction*>("watch_fastline")->isChecked());
    QVERIFY(!window_->findChild<QAction*>("watch_fastline125000")->isChecked());
    QAction* live_refresh = window_->findChild<QAction*>("watch_liverefresh");
    QVERIFY(live_refresh->isCheckable());
    QVERIFY(!live_refresh->isChecked());
    QCOMPARE(top[0]->objectName(), QString("file"));
    QMenu* file = top[0]->menu();
    QVERIFY(file != nullptr);
    QStringList captions, names;
    for (QAction* item : file->actions()) {
        captions << item->text();
        names << item->objectName();
        QVERIFY(item->shortcut().isEmpty());
    }
    QCOMPARE(captions, (QStringList{"&New", "&Open", "Open O&verlay", "&Import Symbols...", "&Save",
                                    "Serial &Port...", "&Cancel Download"}));
    QCOMPARE(names, (QStringList{"File_new", "file_open", "file_openoverlay", "file_importsymbols",
                                 "File_save", "file_serialport", "file_canceldownload"}));
    // Offered only while a download runs.
    QVERIFY(!window_->findChild<QAction*>("file_canceldownload")->isVisible());
}

// Typed characters belong to the grid, so the commands have function keys.
void WindowTest::function_keys_start_their_commands_and_ctrl_letters_go_into_the_cell() {
    halvane::qt::WatchGrid& grid = window_->grid();
    window_->session().link().set_gate(true);  // as when a program runs: replies are taken
    window_->session().table().set_text(1, 0, "2400");
    QTest::keyClick(&grid, Qt::Key_F2);  // on the Address: a read
    QCOMPARE(pty_->receive(5, 2000), QByteArray("*2400"));
    pty_->send("!12@");
    QTRY_COMPARE(grid.text(1, 2), std::string("12"));
    QTest::keyClick(&grid, Qt::Key_F5);  // Get All
    QCOMPARE(pty_->receive(5, 2000), QByteArray("*2400"));
    pty_->send("!34@");
    QTRY_COMPARE(grid.text(1, 2), std::string("34"));
    QTest::keyClick(&grid, Qt::Key_F6);  // Live Refresh, its figures beside Get All
    QVERIFY(window_->session().watch().live_refresh());
    QVERIFY(control<QLabel>("live_figures")->text().endsWith(" sweeps/s, 0 time-outs"));
    QVERIFY(control<QLabel>("live_figures")->toolTip().contains("Rows swept: 1"));
    QTest::keyClick(&grid, Qt::Key_F6);
    QVERIFY(!window_->session().watch().live_refresh());
    QCOMPARE(control<QLabel>("live_figures")->text(), QString());
    {
        ModalWatcher watcher;                   // on the Hex Value: New Value, cancelled
        window_->session().table().set_row(1);  // Get All left it on the last row
        window_->session().table().set_col(2);
        QTest::keyClick(&grid, Qt::Key_F2);
        QCOMPARE(watcher.opened, QStringList{"InputBox"});
    }
    window_->activateWindow();  // no window manager hands it back
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    window_->session().table().set_col(0);
    QTest::keyClick(&grid, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(grid.text(1, 0), std::string("2400\x0f"));
    QTest::keyClick(&grid, Qt::Key_F7);
    QVERIFY(window_->plot().isVisible());
}

void WindowTest::menu_commands_open_their_dialogs_and_new_does_nothing() {
    ModalWatcher watcher;
    window_->findChild<QAction*>("File_new")->trigger();
    QTest::qWait(50);
    QCOMPARE(watcher.opened, QStringList());
    QCOMPARE(control<QLabel>("Status")->text(), QString("Status: Awaiting Program File"));

    window_->findChild<QAction*>("file_openoverlay")->trigger();
    window_->findChild<QAction*>("file_importsymbols")->trigger();
    window_->findChild<QAction*>("File_save")->trigger();
    window_->findChild<QAction*>("file_serialport")->trigger();
    window_->findChild<QAction*>("file_open")->trigger();
    QCOMPARE(watcher.opened, (QStringList{"OpenDialog", "OpenDialog", "SaveDialog",
                                          "SerialPortPicker", "OpenDialog"}));
    QVERIFY(window_->serial_port().is_open());
    // Only the open program command speaks on the status line, and a cancel leaves it so.
    QCOMPARE(control<QLabel>("Status")->text(), QString("Status: Awaiting Program"));
    QCOMPARE(pty_->receive_for(50), QByteArray());
}

void WindowTest::import_symbols_runs_from_the_file_dialog_through_the_list_into_the_grid() {
    QStringList opened;
    QString message;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || (!opened.isEmpty() && opened.last() == modal->objectName())) return;
        opened << modal->objectName();
        if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            files->findChild<QLineEdit*>("fileNameEdit")
                ->setText(HALVANE_TEST_ELF_DIR "/labels.elf");
            static_cast<QDialog*>(files)->accept();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            message = box->text();
            box->accept();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->accept();
        }
    });
    answer.start(0);
    window_->findChild<QAction*>("file_importsymbols")->trigger();
    QCOMPARE(opened, (QStringList{"OpenDialog", "SymbolPicker", "MessageBox"}));
    QVERIFY2(message.startsWith("Rows added: 6."), qPrintable(message));
    QCOMPARE(window_->grid().text(1, 0), std::string("3000"));
    QCOMPARE(window_->grid().text(1, 1), std::string("counter"));
    QCOMPARE(window_->grid().text(6, 1), std::string("scratch[3 bytes]"));
}

void WindowTest::clicks_on_passive_controls_run_nothing() {
    ModalWatcher watcher;
    window_->session().table().set_text(1, 0, "2400");
    for (const char* name : {"Label2", "Status", "ProgressBar1", "Text1"}) {
        QWidget* widget = control<QWidget>(name);
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
        QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
    }
    auto* viewer = control<QTextEdit>("RichTextBox1");
    QTest::mouseClick(viewer->viewport(), Qt::LeftButton);
    QTest::mouseDClick(viewer->viewport(), Qt::LeftButton);
    QTest::qWait(50);
    QCOMPARE(watcher.opened, QStringList());
    QCOMPARE(control<QLabel>("Status")->text(), QString("Status: Awaiting Program File"));
    QCOMPARE(pty_->receive_for(50), QByteArray());
}

void WindowTest::option_buttons_load_their_companions() {
    // The companions of the program that runs, as the download tells its base name.
    QTemporaryDir folder;
    for (const auto& [name, text] : {std::pair{"prog.lst", "listing"}, {"prog.c", "int main;"}}) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    window_->session().download().program_started.notify(folder.filePath("prog").toStdString());
    auto* viewer = control<QTextEdit>("RichTextBox1");
    auto click = [this](const char* name) {
        auto* option = control<QRadioButton>(name);
        QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, QPoint(6, option->height() / 2));
    };
    // Listings and C source line up: characters of one advance as a reader sees them (whatever
    // fontconfig calls the face), no wrapping, a tab stop every 8 characters.
    const auto lines_up = [viewer] {
        const QFontMetricsF metrics(viewer->font());
        const double space = metrics.horizontalAdvance(QLatin1Char(' '));
        const auto one_advance = [&](char c) {
            return qFuzzyCompare(metrics.horizontalAdvance(QLatin1Char(c)), space);
        };
        return one_advance('i') && one_advance('W') && one_advance('0') &&
               viewer->lineWrapMode() == QTextEdit::NoWrap &&
               viewer->tabStopDistance() ==
                   8 * QFontMetricsF(viewer->font()).horizontalAdvance(QLatin1Char(' '));
    };
    click("Option2");
    QCOMPARE(viewer->toPlainText(), QString("int main;"));
    QVERIFY(lines_up());
    click("Option1");
    QCOMPARE(viewer->toPlainText(), QString("listing"));
    QVERIFY(lines_up());
    // With the focus in the viewer, Ctrl+plus and Ctrl+minus change its text size.
    const double size = viewer->font().pointSizeF();
    viewer->setFocus();
    QTest::keyClick(viewer, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(viewer->font().pointSizeF(), size + 1);
    QVERIFY(lines_up());
    QTest::keyClick(viewer, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(viewer->font().pointSizeF(), size);
    click("Option3");  // no description: the viewer keeps what it shows
    QCOMPARE(viewer->toPlainText(), QString("listing"));
    QVERIFY(control<QRadioButton>("Option3")->isChecked());
}

void WindowTest::typing_in_the_grid_edits_the_current_cell() {
    QTest::keyClicks(&window_->grid(), "2400");
    QCOMPARE(window_->grid().text(1, 0), std::string("2400"));
    QCOMPARE(window_->grid().item(0, 0)->text(), QString("2400"));
    QTest::keyClick(&window_->grid(), Qt::Key_Backspace);
    QCOMPARE(window_->grid().text(1, 0), std::string("240"));
    QTest::keyClick(&window_->grid(), Qt::Key_Down);
    QTest::keyClicks(&window_->grid(), "w");
    QTest::keyClick(&window_->grid(), Qt::Key_Return);
    QCOMPARE(window_->grid().text(2, 0), std::string("w\r"));
    // Any character a keyboard gives goes into the cell as it is.
    QTest::keyClick(&window_->grid(), Qt::Key_Right);
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("5 \u20ac"));
    QApplication::sendEvent(&window_->grid(), &euro);
    QCOMPARE(window_->grid().text(2, 1), std::string("5 \xE2\x82\xAC"));
    QCOMPARE(window_->grid().item(1, 1)->text(), QStringLiteral("5 \u20ac"));
}

void WindowTest::f12_puts_the_focus_in_the_console_where_enter_sends_and_up_recalls() {
    auto* console = control<QLineEdit>("Console");
    QTest::keyClick(&window_->grid(), Qt::Key_F12);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(console));
    QTest::keyClick(console, Qt::Key_Return);  // an empty line sends nothing
    QTest::keyClicks(console, "md 2400");
    QTest::keyClick(console, Qt::Key_Return);
    QCOMPARE(console->text(), QString());
    QCOMPARE(pty_->receive(8), QByteArray("md 2400\r"));
    QTest::keyClick(console, Qt::Key_Up);
    QCOMPARE(console->text(), QString("md 2400"));
    QTest::keyClick(console, Qt::Key_Down);
    QCOMPARE(console->text(), QString());
}

void WindowTest::serial_input_reaches_text1_only_through_the_open_gate() {
    auto* text1 = control<QLineEdit>("Text1");
    pty_->send("monitor>");
    QTest::qWait(100);
    window_->refresh_receive_buffer();
    QCOMPARE(text1->text(), QString());
    QCOMPARE(window_->serial_port().input_waiting(), std::size_t(0));
}

void WindowTest::line_failure_is_shown_and_the_window_keeps_running() {
    pty_->close_master();
    QTRY_COMPARE(control<QLabel>("Status")->text(),
                 QString("Status: The serial device was disconnected"));
    QVERIFY(!window_->serial_port().is_open());
    QVERIFY(window_->isVisible());
    // A read now reports the closed port instead of waiting.
    window_->session().table().set_text(1, 0, "2400");
    const QRect cell = window_->grid().visualRect(window_->grid().model()->index(0, 0));
    double_click(window_->grid().viewport(), cell.center());
    QCOMPARE(control<QLabel>("Status")->text(),
             QString("Status: The serial device was disconnected"));
    QVERIFY(window_->isVisible());
}

void WindowTest::serial_port_dialog_reconnects_after_an_unplug_and_switches_to_another_port() {
    auto* status = control<QLabel>("Status");
    const auto choose_port = [this](const QString& device) {
        QStringList listed;
        QString selected;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || dialog->objectName() != "SerialPortPicker") return;
            answer.stop();
            selected = dialog->findChild<QLineEdit*>("device")->text();
            dialog->findChild<QLineEdit*>("device")->setText(device);
            dialog->accept();
        });
        answer.start(0);
        window_->findChild<QAction*>("file_serialport")->trigger();
        return selected;
    };

    // The board's adapter is pulled out, then plugged in again as the same device.
    pty_->close_master();
    QTRY_COMPARE(status->text(), QString("Status: The serial device was disconnected"));
    PtyPair same;
    QVERIFY(same.ok());
    QCOMPARE(choose_port(same.slave_name()), pty_->slave_name());
    QVERIFY(window_->serial_port().is_open());
    QCOMPARE(status->text(), QString("Status: Awaiting Program File"));
    QCOMPARE(halvane::qt::remembered_serial_port(), same.slave_name().toStdString());
    QCOMPARE(same.receive(1, 1000), QByteArray(1, '\0'));

    // Another port: reads go there, and nothing more to the old one.
    PtyPair other;
    QVERIFY(other.ok());
    choose_port(other.slave_name());
    QCOMPARE(QString::fromStdString(window_->serial_port().device_path()), other.slave_name());
    window_->session().table().set_text(1, 0, "2400");
    const QRect cell = window_->grid().visualRect(window_->grid().model()->index(0, 0));
    double_click(window_->grid().viewport(), cell.center());
    QCOMPARE(other.receive(6, 2000), QByteArray("\0*2400", 6));
    QCOMPARE(same.receive_for(50), QByteArray());

    // A port that cannot be opened leaves the window without one, and says why.
    QString message;
    QTimer acknowledge;
    connect(&acknowledge, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            message = box->text();
            box->accept();
        }
    });
    acknowledge.start(0);
    choose_port("/dev/nonexistent-halvane-port");
    QVERIFY2(message.startsWith("Cannot open the serial port /dev/nonexistent-halvane-port: "),
             qPrintable(message));
    QVERIFY(!window_->serial_port().is_open());
    QCOMPARE(status->toolTip().isEmpty() ? status->text() : status->toolTip(),
             "Status: " + message);
    QCOMPARE(halvane::qt::remembered_serial_port(), other.slave_name().toStdString());
}

void WindowTest::closing_during_a_read_ends_it_and_stays_closed() {
    // A byte read of 2400 that nothing answers: the read waits for a reply.
    window_->session().table().set_text(1, 0, "2400");
    const QRect cell = window_->grid().visualRect(window_->grid().model()->index(0, 0));
    double_click(window_->grid().viewport(), cell.center());
    QCOMPARE(pty_->receive(5, 500), QByteArray("*2400"));
    QVERIFY(window_->session().link().memory_traffic());
    window_->close();

    QVERIFY(window_->closed());
    QVERIFY(window_->session().dialogs().closed());
    QVERIFY(window_->session().link().idle());
    QVERIFY(!window_->serial_port().is_open());
    QTest::qWait(100);
    QVERIFY(!window_->isVisible());
}

void WindowTest::closing_during_a_read_ends_the_event_loop_with_status_0() {
    // As the program runs: the read starts from the event loop, the window closes while the
    // read waits, and the loop ends because the last window has closed.
    window_->session().table().set_text(1, 0, "2400");
    const QRect cell = window_->grid().visualRect(window_->grid().model()->index(0, 0));
    QTimer::singleShot(0, [&] { double_click(window_->grid().viewport(), cell.center()); });
    bool closed_while_reading = false;
    QTimer::singleShot(300, [&] {
        closed_while_reading = window_->session().link().memory_traffic();
        window_->close();
    });
    QTimer hang_guard;  // a hang fails the test instead of stalling it
    hang_guard.setSingleShot(true);
    connect(&hang_guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    hang_guard.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(closed_while_reading);
    QVERIFY(window_->session().dialogs().closed());
    QVERIFY(!window_->isVisible());
}

QTEST_MAIN(WindowTest)
#include "qt_window_test.moc"
