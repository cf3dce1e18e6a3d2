#include "qt/halvane_window.h"

#include <QActionGroup>
#include <QButtonGroup>
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
#include "qt/watch_grid_binding.h"
#include "status/status_texts.h"

namespace halvane::qt {

namespace {
// The client area below the menu bar.
constexpr int kClientWidthTwips = 11880;
constexpr int kClientHeightTwips = 6000;
// The two rules run past the right edge, as drawn.
constexpr int kRuleLengthTwips = 12000;
constexpr int kColumnWidthsTwips[WatchGrid::kCols] = {900, 1900, 900, 400, 900};
constexpr std::string_view kViewerFace = "Times New Roman (Western)";
}  // namespace

// The adapters of the platform interfaces and the views of the logic's state.
struct WindowParts {
    WindowParts(HalvaneWindow& window, const DialogGate& gate, const QString& device,
                QLabel& status, QLineEdit& receive_box, QProgressBar& progress, QTextEdit& viewer)
        : serial(device),
          status_text(status),
          receive_box_text(receive_box),
          progress_bar(progress),
          message_box(window, gate, from_utf8(texts::kCaption)),
          input_box(window, gate),
          file_dialog(window, gate),
          text_viewer(viewer),
          symbol_picker(window, gate),
          port_picker(window, gate) {}

    QtClock clock;
    QtSerialPort serial;
    LabelText status_text;
    ReceiveBufferBox receive_box_text;
    ProgressBarAdapter progress_bar;
    MessageBoxAdapter message_box;
    InputBoxAdapter input_box;
    FileDialogAdapter file_dialog;
    TextViewer text_viewer;
    SymbolPickerAdapter symbol_picker;
    SerialPortPickerAdapter port_picker;
    std::unique_ptr<WatchGridBinding> grid_binding;
};

HalvaneWindow::HalvaneWindow(const QString& device, std::string initial_directory, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName("Tamrin");
    setWindowTitle(from_utf8(texts::kCaption));
    build_controls();
    build_menu();
    build_watch_menu();
    set_tab_order();

    parts_ = std::make_unique<WindowParts>(*this, gate_, device, *status_, *receive_box_,
                                           *progress_, *viewer_);
    WindowParts& p = *parts_;
    logic_ = std::make_unique<MainWindow>(Platform{p.clock, p.serial, p.message_box, p.input_box,
                                                   p.file_dialog, &p.symbol_picker, &p.port_picker},
                                          std::move(initial_directory));
    // Kept (hidden) from the start; the samples it draws are kept whether or not it is open.
    plot_ = new LivePlotWindow(logic_->watch().samples(), this);
    show_logic();
    connect_commands();
    grid_->setFocus(Qt::OtherFocusReason);
}

HalvaneWindow::~HalvaneWindow() {
    close_logic();
    // The views watch the logic, and the logic holds the adapters.
    parts_->grid_binding.reset();
    delete plot_;
    logic_.reset();
    parts_.reset();
}

QtSerialPort& HalvaneWindow::serial_port() {
    return parts_->serial;
}

void HalvaneWindow::refresh_receive_buffer() {
    parts_->receive_box_text.refresh();
}

bool HalvaneWindow::start() {
    return logic_->start();
}

void HalvaneWindow::closeEvent(QCloseEvent* event) {
    // Nothing may come back on screen from a command whose dialog the close interrupts.
    gate_.window_closed = true;
    close_logic();
    event->accept();
}

void HalvaneWindow::close_logic() {
    if (closed_ || !logic_) return;
    closed_ = true;
    logic_->close();
}

QFrame* HalvaneWindow::make_rule(const char* name, int top_twips) {
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

void HalvaneWindow::build_controls() {
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

    grid_title_ = new QLabel(QStringLiteral("Memory Dump"), client_);
    place(grid_title_, "Label2", 120, 120, 1215, 255);

    get_all_ = new QPushButton(QStringLiteral("Get All"), client_);
    get_all_->setAutoDefault(false);
    place(get_all_, "get_all", 4080, 120, 1335, 255);

    listing_option_ = new QRadioButton(QStringLiteral("List File"), client_);
    place(listing_option_, "Option1", 5640, 120, 975, 255);
    source_option_ = new QRadioButton(QStringLiteral("C code"), client_);
    place(source_option_, "Option2", 6720, 120, 855, 255);
    description_option_ = new QRadioButton(QStringLiteral("Prog Desc"), client_);
    place(description_option_, "Option3", 7800, 120, 1455, 255);
    listing_option_->setChecked(true);
    options_ = new QButtonGroup(this);
    options_->setExclusive(true);
    options_->addButton(listing_option_, static_cast<int>(Companion::kListing));
    options_->addButton(source_option_, static_cast<int>(Companion::kSource));
    options_->addButton(description_option_, static_cast<int>(Companion::kDescription));

    grid_ = new WatchGrid(client_);
    place(grid_, "DataGrid", 120, 360, 5295, 4455);

    viewer_ = new QTextEdit(client_);
    place(viewer_, "RichTextBox1", 5520, 360, 6255, 4455);

    receive_box_ = new QLineEdit(client_);
    place(receive_box_, "Text1", 120, 4920, 11655, 495);

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
void HalvaneWindow::fit_font_to_captions() {
    constexpr double kSmallestPointSize = 7.0;
    const QWidget* captioned[] = {grid_title_, listing_option_, source_option_, description_option_,
                                  status_};
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

void HalvaneWindow::build_menu() {
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

void HalvaneWindow::build_watch_menu() {
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

// Plot...: the variables the sweep reads, the current row's checked when none is.
void HalvaneWindow::open_plot() {
    plot_->check_if_none(logic_->table().variable(logic_->table().row()));
    plot_->show();
    plot_->raise();
    plot_->activateWindow();
}

void HalvaneWindow::set_tab_order() {
    // Labels and the progress bar take no focus; the rest keep the designed order.
    QWidget* order[] = {grid_,          receive_box_,        viewer_, listing_option_,
                        source_option_, description_option_, get_all_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

// The logic's state on screen: the grid, the status line, the receive box, the progress bar
// and the viewer follow it.
void HalvaneWindow::show_logic() {
    WindowParts& p = *parts_;
    MainWindow& logic = *logic_;
    p.grid_binding = std::make_unique<WatchGridBinding>(logic.table(), *grid_);
    for (int col = 0; col < WatchGrid::kCols; ++col)
        grid_->set_col_width_twips(col, kColumnWidthsTwips[col]);
    logic.status().on_shown = [&p](const std::string& text) { p.status_text.set_text(text); };
    logic.link().received().on_changed = [&p](const std::string& text) {
        p.receive_box_text.set_text(text);
    };
    logic.download().on_progress = [&p, &logic] {
        p.progress_bar.show(logic.download().progress_value(), logic.download().progress_maximum());
    };
    p.text_viewer.set_font_face(kViewerFace);
    logic.viewer().on_changed = [this] { show_viewer(); };
    grid_->tool_tip_text = [&logic](int row, int col) {
        return col == kHexValueCol ? logic.watch().age_text(row) : std::string();
    };
}

void HalvaneWindow::show_viewer() {
    const CompanionViewer& viewer = logic_->viewer();
    if (QAbstractButton* option = options_->button(static_cast<int>(viewer.chosen())))
        option->setChecked(true);
    if (viewer.loads() == shown_loads_) return;
    shown_loads_ = viewer.loads();
    const ViewerContent& content = viewer.content();
    if (content.rich) {
        parts_->text_viewer.show_rich(content.document);
    } else {
        parts_->text_viewer.show_plain(content.plain_text);
    }
}

// The user's commands go to the subsystem that owns them.
void HalvaneWindow::connect_commands() {
    MainWindow& logic = *logic_;
    grid_->on_double_click = [&logic] { logic.cells().read_or_write_cell(); };
    grid_->on_key_press = [&logic](int code) { logic.cells().type_key(code); };
    connect(get_all_, &QPushButton::clicked, this, [&logic] { logic.cells().get_all(); });
    connect(options_, &QButtonGroup::idClicked, this,
            [&logic](int id) { logic.viewer().choose(static_cast<Companion>(id)); });
    const auto on = [this](const char* action, auto command) {
        connect(findChild<QAction*>(action), &QAction::triggered, this, command);
    };
    // File > New does nothing.
    on("file_open", [&logic] { logic.download().open_program(); });
    on("file_openoverlay", [&logic] { logic.maps().open_overlay(); });
    on("file_importsymbols", [&logic] { logic.symbols().import_symbols(); });
    on("File_save", [&logic] { logic.maps().save(); });
    on("file_serialport", [&logic] { logic.port().choose_port(); });
    on("file_canceldownload", [&logic] { logic.download().cancel(); });
    QAction* cancel_download = findChild<QAction*>("file_canceldownload");
    logic.download().on_running = [cancel_download](bool running) {
        cancel_download->setVisible(running);
    };

    connect(findChild<QAction*>("watch_liverefresh"), &QAction::toggled, this,
            [&logic](bool live) { logic.watch().set_live_refresh(live); });
    for (QAction* choice : findChild<QMenu*>("watch_refreshinterval_menu")->actions()) {
        connect(choice, &QAction::triggered, this,
                [&logic, choice] { logic.watch().set_interval(choice->data().toDouble()); });
    }
    on("watch_plot", [this] { open_plot(); });
    on("watch_recordtofile", [&logic] { logic.watch().start_recording(); });
    on("watch_stoprecording", [&logic] { logic.watch().stop_recording(); });
    QAction* record = findChild<QAction*>("watch_recordtofile");
    QAction* stop = findChild<QAction*>("watch_stoprecording");
    logic.watch().on_recording = [record, stop](bool recording) {
        record->setVisible(!recording);
        stop->setVisible(recording);
    };
}

}  // namespace halvane::qt
