#include "qt/tamrin_window.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <algorithm>
#include <iterator>

#include "grid/grid_rules.h"
#include "qt/file_dialog.h"
#include "qt/input_box.h"
#include "qt/label_text.h"
#include "qt/live_plot_window.h"
#include "qt/message_box.h"
#include "qt/option_group.h"
#include "qt/progress_bar.h"
#include "qt/qt_clock.h"
#include "qt/qt_serial_port.h"
#include "qt/receive_buffer_box.h"
#include "qt/serial_port_dialog.h"
#include "qt/symbol_picker_dialog.h"
#include "qt/text_encoding.h"
#include "qt/text_viewer.h"
#include "qt/twips.h"
#include "qt/watch_grid.h"
#include "qt/watch_view_adapter.h"
#include "watch/sweep_recorder.h"

namespace halvane::qt {

namespace {
// The client area below the menu bar.
constexpr int kClientWidthTwips = 11880;
constexpr int kClientHeightTwips = 6000;
// The two rules run past the right edge, as drawn.
constexpr int kRuleLengthTwips = 12000;
}  // namespace

struct WindowAdapters {
    WindowAdapters(TamrinWindow& window, const DialogGate& gate, const QString& device,
                   QLabel& status, QLineEdit& text1, QProgressBar& progress, QRadioButton& option1,
                   QRadioButton& option2, QRadioButton& option3, QTextEdit& viewer, WatchGrid& grid,
                   LivePlotWindow& plot)
        : serial(device),
          status_text(status),
          text1_box(text1),
          progress_bar(progress),
          options(option1, option2, option3),
          message_box(window, gate, from_utf8(texts::kCaption)),
          input_box(window, gate),
          file_dialog(window, gate),
          text_viewer(viewer),
          symbol_picker(window, gate),
          watch_view(grid, plot),
          port_picker(window, gate) {}

    QtClock clock;
    QtSerialPort serial;
    LabelText status_text;
    ReceiveBufferBox text1_box;
    ProgressBarAdapter progress_bar;
    OptionGroupAdapter options;
    MessageBoxAdapter message_box;
    InputBoxAdapter input_box;
    FileDialogAdapter file_dialog;
    TextViewer text_viewer;
    SymbolPickerAdapter symbol_picker;
    WatchViewAdapter watch_view;
    SerialPortPickerAdapter port_picker;
};

TamrinWindow::TamrinWindow(const QString& device, std::string initial_directory, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName("Tamrin");
    setWindowTitle(from_utf8(texts::kCaption));
    build_controls();
    build_menu();
    build_watch_menu();
    set_tab_order();
    // Kept (hidden) from the start, so that it holds the recent past when it is opened.
    plot_ = new LivePlotWindow(this);

    adapters_ =
        std::make_unique<WindowAdapters>(*this, gate_, device, *status_, *text1_, *progress_,
                                         *option1_, *option2_, *option3_, *viewer_, *grid_, *plot_);
    WindowAdapters& a = *adapters_;
    logic_ = std::make_unique<Tamrin>(
        Platform{a.clock, a.serial, *grid_, a.text1_box, a.status_text, a.progress_bar, a.options,
                 a.message_box, a.input_box, a.file_dialog, a.text_viewer, &a.symbol_picker,
                 &a.watch_view, &a.port_picker},
        std::move(initial_directory));
    wire_events();
    grid_->setFocus(Qt::OtherFocusReason);
}

TamrinWindow::~TamrinWindow() {
    if (!unloaded_ && logic_) {
        unloaded_ = true;
        logic_->Form_Unload();
    }
    // The logic holds the adapters, and the adapters hold the controls.
    logic_.reset();
    adapters_.reset();
}

QtSerialPort& TamrinWindow::serial_port() {
    return adapters_->serial;
}

void TamrinWindow::refresh_receive_buffer() {
    adapters_->text1_box.refresh();
}

bool TamrinWindow::load() {
    return logic_->Form_Load();
}

void TamrinWindow::closeEvent(QCloseEvent* event) {
    // Nothing may come back on screen from a command whose dialog the close interrupts.
    gate_.window_closed = true;
    if (!unloaded_) {
        unloaded_ = true;
        logic_->Form_Unload();
    }
    event->accept();
}

QFrame* TamrinWindow::make_rule(const char* name, int top_twips) {
    auto* rule = new QFrame(client_);
    rule->setObjectName(name);
    rule->setFrameShape(QFrame::NoFrame);
    rule->setAutoFillBackground(true);
    QPalette palette = rule->palette();
    // The window-frame colour: black in the default scheme, the shade of frame outlines.
    palette.setColor(QPalette::Window, palette.color(QPalette::Shadow));
    rule->setPalette(palette);
    rule->setGeometry(0, twips_y(*this, top_twips), twips_x(*this, kRuleLengthTwips),
                      std::max(1, twips_y(*this, 15)));
    return rule;
}

void TamrinWindow::build_controls() {
    client_ = new QWidget(this);
    client_->setObjectName("client");
    client_->setFixedSize(twips_x(*this, kClientWidthTwips), twips_y(*this, kClientHeightTwips));
    setCentralWidget(client_);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    const auto place = [this](QWidget* widget, const char* name, int left, int top, int width,
                              int height) {
        widget->setObjectName(name);
        widget->setGeometry(twips_rect(*this, left, top, width, height));
    };

    label2_ = new QLabel(QStringLiteral("Memory Dump"), client_);
    place(label2_, "Label2", 120, 120, 1215, 255);

    get_all_ = new QPushButton(QStringLiteral("Get All"), client_);
    get_all_->setAutoDefault(false);
    place(get_all_, "get_all", 4080, 120, 1335, 255);

    option1_ = new QRadioButton(QStringLiteral("List File"), client_);
    place(option1_, "Option1", 5640, 120, 975, 255);
    option2_ = new QRadioButton(QStringLiteral("C code"), client_);
    place(option2_, "Option2", 6720, 120, 855, 255);
    option3_ = new QRadioButton(QStringLiteral("Prog Desc"), client_);
    place(option3_, "Option3", 7800, 120, 1455, 255);
    option1_->setChecked(true);

    grid_ = new WatchGrid(client_);
    place(grid_, "DataGrid", 120, 360, 5295, 4455);

    viewer_ = new QTextEdit(client_);
    place(viewer_, "RichTextBox1", 5520, 360, 6255, 4455);

    text1_ = new QLineEdit(client_);
    place(text1_, "Text1", 120, 4920, 11655, 495);

    status_ = new QLabel(QStringLiteral("Status: "), client_);
    place(status_, "Status", 120, 5640, 3135, 255);

    progress_ = new QProgressBar(client_);
    place(progress_, "ProgressBar1", 3240, 5640, 8415, 255);

    make_rule("Line1", 0);
    make_rule("Line2", 5520);
    fit_font_to_captions();
}

// The layout was drawn for a small dialog font. Where the desktop's default font is larger,
// the window uses the same face a little smaller, until each caption fits its control.
void TamrinWindow::fit_font_to_captions() {
    constexpr double kSmallestPointSize = 7.0;
    const QWidget* captioned[] = {label2_, option1_, option2_, option3_, status_};
    QFont font = client_->font();
    const auto fits = [&] {
        for (const QWidget* widget : captioned) {
            if (widget->sizeHint().width() > widget->width()) return false;
        }
        return QFontMetrics(font).height() + 2 <= get_all_->height();
    };
    while (!fits() && font.pointSizeF() - 0.5 >= kSmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        client_->setFont(font);
    }
}

void TamrinWindow::build_menu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName("file_menu");
    file->menuAction()->setObjectName("file");
    const auto add = [file](const char* name, const QString& caption) {
        QAction* action = file->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    add("File_new", QStringLiteral("&New"));
    add("file_open", QStringLiteral("&Open"));
    add("file_openoverlay", QStringLiteral("Open O&verlay"));
    add("file_importsymbols", QStringLiteral("&Import Symbols..."));
    add("File_save", QStringLiteral("&Save"));
    add("file_serialport", QStringLiteral("Serial &Port..."));
    // Offered only while a download runs.
    add("file_canceldownload", QStringLiteral("&Cancel Download"))->setVisible(false);
}

void TamrinWindow::build_watch_menu() {
    QMenu* watch = menuBar()->addMenu(QStringLiteral("&Watch"));
    watch->setObjectName("watch_menu");
    watch->menuAction()->setObjectName("watch");
    const auto add = [](QMenu* menu, const char* name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    add(watch, "watch_liverefresh", QStringLiteral("&Live Refresh"))->setCheckable(true);
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
    add(watch, "watch_plot", QStringLiteral("&Plot..."));
    add(watch, "watch_recordtofile", QStringLiteral("&Record to File..."));
    // Offered only while a recording runs, in place of Record to File.
    add(watch, "watch_stoprecording", QStringLiteral("S&top Recording"))->setVisible(false);
}

// Plot...: the rows the sweep reads, named as the recording names them.
void TamrinWindow::open_plot() {
    std::vector<PlotRow> rows;
    for (int row = 1; row < GridView::kRows; ++row) {
        const std::string address = grid_->text(row, kAddressCol);
        if (!request_address(address)) continue;
        rows.push_back(
            {row, from_utf8(watch_row_name(grid_->text(row, kDescriptionCol), address))});
    }
    plot_->set_rows(rows);
    plot_->set_current_row(grid_->row());
    plot_->show();
    plot_->raise();
    plot_->activateWindow();
}

void TamrinWindow::set_tab_order() {
    // Labels and the progress bar take no focus; the rest keep the designed order.
    QWidget* order[] = {grid_, text1_, viewer_, option1_, option2_, option3_, get_all_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void TamrinWindow::wire_events() {
    WindowAdapters& a = *adapters_;
    Tamrin* logic = logic_.get();
    a.serial.on_notice = [logic] { logic->MSComm1_OnComm(); };
    a.serial.on_failure = [logic](const std::string& error) { logic->serial_failed(error); };
    grid_->on_double_click = [logic] { logic->DataGrid_DblClick(); };
    grid_->on_key_press = [logic](int key_ascii) { logic->DataGrid_KeyPress(key_ascii); };
    connect(get_all_, &QPushButton::clicked, this, [logic] { logic->get_all_Click(); });
    a.options.on_click = [logic](int option) {
        if (option == 1) logic->Option1_Click();
        if (option == 2) logic->Option2_Click();
        if (option == 3) logic->Option3_Click();
    };
    // File > New has no handler.
    connect(findChild<QAction*>("file_open"), &QAction::triggered, this,
            [logic] { logic->file_open_Click(); });
    connect(findChild<QAction*>("file_openoverlay"), &QAction::triggered, this,
            [logic] { logic->file_openoverlay_Click(); });
    connect(findChild<QAction*>("file_importsymbols"), &QAction::triggered, this,
            [logic] { logic->file_importsymbols_Click(); });
    connect(findChild<QAction*>("File_save"), &QAction::triggered, this,
            [logic] { logic->File_save_Click(); });
    connect(findChild<QAction*>("file_serialport"), &QAction::triggered, this,
            [logic] { logic->file_serialport_Click(); });
    QAction* cancel_download = findChild<QAction*>("file_canceldownload");
    connect(cancel_download, &QAction::triggered, this,
            [logic] { logic->file_cancel_download_Click(); });
    logic->on_download_running = [cancel_download](bool running) {
        cancel_download->setVisible(running);
    };

    connect(findChild<QAction*>("watch_liverefresh"), &QAction::toggled, this,
            [logic](bool on) { logic->watch_liverefresh_Click(on); });
    for (QAction* choice : findChild<QMenu*>("watch_refreshinterval_menu")->actions()) {
        connect(choice, &QAction::triggered, this,
                [logic, choice] { logic->watch_refreshinterval_Click(choice->data().toDouble()); });
    }
    connect(findChild<QAction*>("watch_plot"), &QAction::triggered, this, &TamrinWindow::open_plot);
    QAction* record = findChild<QAction*>("watch_recordtofile");
    QAction* stop = findChild<QAction*>("watch_stoprecording");
    connect(record, &QAction::triggered, this, [logic] { logic->watch_recordtofile_Click(); });
    connect(stop, &QAction::triggered, this, [logic] { logic->watch_stoprecording_Click(); });
    logic->on_recording = [record, stop](bool recording) {
        record->setVisible(!recording);
        stop->setVisible(recording);
    };
    grid_->tool_tip_text = [logic](int row, int col) {
        return col == kHexValueCol ? logic->hex_value_tooltip(row) : std::string();
    };
}

}  // namespace halvane::qt
