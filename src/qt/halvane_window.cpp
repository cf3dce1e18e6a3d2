#include "qt/halvane_window.h"

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
#include <QSplitter>
#include <QTextEdit>
#include <array>
#include <iterator>
#include <utility>

#include "grid/grid_rules.h"
#include "qt/design_layout.h"
#include "qt/file_dialog.h"
#include "qt/grid_column_widths.h"
#include "qt/input_box.h"
#include "qt/label_text.h"
#include "qt/live_plot_window.h"
#include "qt/message_box.h"
#include "qt/progress_bar.h"
#include "qt/qt_clock.h"
#include "qt/qt_serial_port.h"
#include "qt/receive_buffer_box.h"
#include "qt/serial_port_dialog.h"
#include "qt/status_row.h"
#include "qt/symbol_picker_dialog.h"
#include "qt/text_encoding.h"
#include "qt/text_viewer.h"
#include "qt/twips.h"
#include "qt/watch_grid.h"
#include "qt/watch_grid_binding.h"
#include "qt/window_menus.h"
#include "status/status_texts.h"

namespace halvane::qt {

namespace {
// The client area below the menu bar, as drawn.
constexpr QSize kClientTwips{11880, 6000};
// The two rules run past the right edge, as drawn.
constexpr int kRuleLengthTwips = 12000;
constexpr int kRuleTwips = 15;
// The grid and the viewer with their captions, side by side: the grid's pane from the left
// edge of the grid to its right, a divider, then the viewer's pane.
constexpr QRect kPanesTwips{120, 120, 11655, 4695};
constexpr int kGridPaneWidthTwips = 5295;
constexpr int kViewerPaneWidthTwips = 6255;
constexpr int kDividerTwips = 105;
constexpr int kCaptionHeightTwips = 255;
constexpr int kPaneTopTwips = 240;  // where the grid and the viewer start below their captions
// A pane narrowed by the divider keeps its captions beside each other.
constexpr int kGridPaneMinWidthTwips = 2880;
constexpr int kViewerPaneMinWidthTwips = 3855;
constexpr std::array<int, WatchGrid::kCols> kColumnWidthsTwips = {900, 1900, 900, 400, 900};
constexpr std::string_view kViewerFace = "Times New Roman (Western)";
}  // namespace

// The adapters of the platform interfaces and the views of the logic's state.
struct WindowParts {
    WindowParts(HalvaneWindow& window, const DialogGate& gate, const QString& device,
                QLabel& status, QLabel& live_figures, QLineEdit& receive_box,
                QProgressBar& progress, QTextEdit& viewer)
        : serial(device),
          status_text(status),
          live_figures_text(live_figures),
          receive_box_text(receive_box),
          progress_bar(progress),
          message_box(window, gate, from_utf8(texts::kCaption)),
          input_box(window, gate),
          file_dialog(window, gate),
          text_viewer(viewer),
          symbol_picker(window, gate),
          port_picker(window, gate),
          status_row(status, status_text, progress) {}

    QtClock clock;
    QtSerialPort serial;
    LabelText status_text;
    LabelText live_figures_text;
    ReceiveBufferBox receive_box_text;
    ProgressBarAdapter progress_bar;
    MessageBoxAdapter message_box;
    InputBoxAdapter input_box;
    FileDialogAdapter file_dialog;
    TextViewer text_viewer;
    SymbolPickerAdapter symbol_picker;
    SerialPortPickerAdapter port_picker;
    StatusRow status_row;
    std::unique_ptr<WatchGridBinding> grid_binding;
};

HalvaneWindow::HalvaneWindow(const QString& device, std::string initial_directory, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName("Tamrin");
    setWindowTitle(from_utf8(texts::kCaption));
    build_controls();
    add_file_menu(*menuBar());
    add_watch_menu(*menuBar());
    set_tab_order();

    parts_ = std::make_unique<WindowParts>(*this, gate_, device, *status_, *live_figures_,
                                           *receive_box_, *progress_, *viewer_);
    WindowParts& p = *parts_;
    logic_ = std::make_unique<MainWindow>(Platform{p.clock, p.serial, p.message_box, p.input_box,
                                                   p.file_dialog, &p.symbol_picker, &p.port_picker},
                                          std::move(initial_directory));
    // Kept (hidden) from the start; the samples it draws are kept whether or not it is open.
    plot_ = new LivePlotWindow(logic_->watch().samples(), this);
    show_logic();
    connect_commands();
    client_layout_->on_placed = [this] { fit_status_row(); };
    grid_->setFocus(Qt::OtherFocusReason);
}

HalvaneWindow::~HalvaneWindow() {
    close_logic();
    client_layout_->on_placed = nullptr;
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

WindowLayoutMemory HalvaneWindow::layout_memory() const {
    return {saveGeometry(), panes_->saveState(), column_widths_->dragged()};
}

void HalvaneWindow::restore_layout(const WindowLayoutMemory& memory) {
    if (!memory.geometry.isEmpty()) restoreGeometry(memory.geometry);
    if (!memory.divider.isEmpty()) panes_->restoreState(memory.divider);
    column_widths_->set_dragged(memory.column_widths);
}

void HalvaneWindow::keep_in_user_settings() {
    restore_layout(remembered_window_layout());
    findChild<QAction*>("watch_blockreads")->setChecked(block_reads_allowed());
    keeps_settings_ = true;
}

void HalvaneWindow::closeEvent(QCloseEvent* event) {
    // Nothing may come back on screen from a command whose dialog the close interrupts.
    gate_.window_closed = true;
    if (keeps_settings_ && !closed_) remember_window_layout(layout_memory());
    close_logic();
    event->accept();
}

void HalvaneWindow::close_logic() {
    if (closed_ || !logic_) return;
    closed_ = true;
    logic_->close();
}

QFrame* HalvaneWindow::make_rule(const char* name) {
    auto* rule = new QFrame(client_);
    rule->setObjectName(name);
    rule->setFrameShape(QFrame::NoFrame);
    rule->setAutoFillBackground(true);
    QPalette palette = rule->palette();
    // The window-frame colour: black in the default scheme, the shade of frame outlines.
    palette.setColor(QPalette::Window, palette.color(QPalette::Shadow));
    rule->setPalette(palette);
    return rule;
}

void HalvaneWindow::build_controls() {
    client_ = new QWidget(this);
    client_->setObjectName("client");
    setCentralWidget(client_);
    client_layout_ = new DesignLayout(client_, kClientTwips);

    panes_ = new QSplitter(Qt::Horizontal, client_);
    panes_->setObjectName("panes");
    panes_->setChildrenCollapsible(false);
    panes_->setHandleWidth(twips_x(*this, kDividerTwips));
    panes_->addWidget(build_grid_pane());
    panes_->addWidget(build_viewer_pane());
    panes_->setStretchFactor(0, 1);
    panes_->setStretchFactor(1, 1);
    panes_->setSizes({twips_x(*this, kGridPaneWidthTwips), twips_x(*this, kViewerPaneWidthTwips)});

    receive_box_ = new QLineEdit(client_);
    receive_box_->setObjectName("Text1");
    status_ = new QLabel(QStringLiteral("Status: "), client_);
    status_->setObjectName("Status");
    progress_ = new QProgressBar(client_);
    progress_->setObjectName("ProgressBar1");

    DesignLayout& layout = *client_layout_;
    layout.place(make_rule("Line1"), QRect(0, 0, kRuleLengthTwips, kRuleTwips), Follow::kGrows,
                 Follow::kStays);
    layout.place(panes_, kPanesTwips, Follow::kGrows, Follow::kGrows);
    layout.place(receive_box_, QRect(120, 4920, 11655, 495), Follow::kGrows, Follow::kMoves);
    layout.place(make_rule("Line2"), QRect(0, 5520, kRuleLengthTwips, kRuleTwips), Follow::kGrows,
                 Follow::kMoves);
    // The status line's width follows its text (fit_status_row).
    layout.place(status_, QRect(120, 5640, 3135, 255), Follow::kStays, Follow::kMoves);
    layout.place(progress_, QRect(3240, 5640, 8415, 255), Follow::kGrows, Follow::kMoves);
    fit_font_to_captions();
}

// The grid with its caption, the live figures and Get All above it, Get All at its right edge.
QWidget* HalvaneWindow::build_grid_pane() {
    auto* pane = new QWidget;
    pane->setObjectName("grid_pane");
    auto* layout = new DesignLayout(pane, QSize(kGridPaneWidthTwips, kPanesTwips.height()));
    layout->set_minimum_twips(QSize(kGridPaneMinWidthTwips, kPanesTwips.height()));

    grid_title_ = new QLabel(QStringLiteral("Memory Dump"), pane);
    grid_title_->setObjectName("Label2");
    layout->place(grid_title_, QRect(0, 0, 1215, kCaptionHeightTwips), Follow::kStays,
                  Follow::kStays);
    live_figures_ = new QLabel(pane);
    live_figures_->setObjectName("live_figures");
    live_figures_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->place(live_figures_, QRect(1245, 0, 2655, kCaptionHeightTwips), Follow::kGrows,
                  Follow::kStays);
    get_all_ = new QPushButton(QStringLiteral("Get All"), pane);
    get_all_->setObjectName("get_all");
    get_all_->setAutoDefault(false);
    layout->place(get_all_, QRect(3960, 0, 1335, kCaptionHeightTwips), Follow::kMoves,
                  Follow::kStays);

    grid_ = new WatchGrid(pane);
    grid_->setObjectName("DataGrid");
    layout->place(grid_, QRect(0, kPaneTopTwips, kGridPaneWidthTwips, 4455), Follow::kGrows,
                  Follow::kGrows);
    column_widths_ = new GridColumnWidths(*grid_, kColumnWidthsTwips, kGridPaneWidthTwips);
    return pane;
}

// The viewer with its three options above its left edge.
QWidget* HalvaneWindow::build_viewer_pane() {
    auto* pane = new QWidget;
    pane->setObjectName("viewer_pane");
    auto* layout = new DesignLayout(pane, QSize(kViewerPaneWidthTwips, kPanesTwips.height()));
    layout->set_minimum_twips(QSize(kViewerPaneMinWidthTwips, kPanesTwips.height()));

    const auto option = [&](const char* name, const char* caption, int left, int width) {
        auto* button = new QRadioButton(QString::fromLatin1(caption), pane);
        button->setObjectName(name);
        layout->place(button, QRect(left, 0, width, kCaptionHeightTwips), Follow::kStays,
                      Follow::kStays);
        return button;
    };
    listing_option_ = option("Option1", "List File", 120, 975);
    source_option_ = option("Option2", "C code", 1200, 855);
    description_option_ = option("Option3", "Prog Desc", 2280, 1455);
    listing_option_->setChecked(true);
    options_ = new QButtonGroup(this);
    options_->setExclusive(true);
    options_->addButton(listing_option_, static_cast<int>(Companion::kListing));
    options_->addButton(source_option_, static_cast<int>(Companion::kSource));
    options_->addButton(description_option_, static_cast<int>(Companion::kDescription));

    viewer_ = new QTextEdit(pane);
    viewer_->setObjectName("RichTextBox1");
    layout->place(viewer_, QRect(0, kPaneTopTwips, kViewerPaneWidthTwips, 4455), Follow::kGrows,
                  Follow::kGrows);
    return pane;
}

// The layout was drawn for a small dialog font. Where the desktop's default font is larger,
// the window uses the same face a little smaller, until each caption fits its control as drawn.
void HalvaneWindow::fit_font_to_captions() {
    constexpr double kSmallestPointSize = 7.0;
    const std::pair<const QWidget*, int> captioned[] = {{grid_title_, 1215},
                                                        {listing_option_, 975},
                                                        {source_option_, 855},
                                                        {description_option_, 1455},
                                                        {status_, 3135}};
    QFont font = client_->font();
    const auto fits = [&] {
        for (const auto& [widget, width] : captioned) {
            if (widget->sizeHint().width() > twips_x(*this, width)) return false;
        }
        return QFontMetrics(font).height() + 2 <= twips_y(*this, kCaptionHeightTwips);
    };
    while (!fits() && font.pointSizeF() - 0.5 >= kSmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        client_->setFont(font);
    }
}

// The status line as wide as its text needs, the progress bar the rest of the row.
void HalvaneWindow::fit_status_row() {
    const QSize size = client_->size();
    parts_->status_row.place(client_layout_->placed_rect(status_, size),
                             client_layout_->placed_rect(progress_, size));
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

// The logic's state on screen: the grid, the status line, the live figures, the receive box,
// the progress bar and the viewer follow it.
void HalvaneWindow::show_logic() {
    WindowParts& p = *parts_;
    MainWindow& logic = *logic_;
    p.grid_binding = std::make_unique<WatchGridBinding>(logic.table(), *grid_);
    logic.status().on_shown = [this](const std::string& text) {
        parts_->status_text.set_text(text);
        fit_status_row();
    };
    logic.watch().on_figures_changed = [&p, &watch = logic.watch()] {
        p.live_figures_text.set_tool_tip(watch.figures_tooltip());
        p.live_figures_text.set_text(watch.figures_text());
    };
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

// Listings and C source line up in the fixed-pitch font; a description reads as written.
void HalvaneWindow::show_viewer() {
    const CompanionViewer& viewer = logic_->viewer();
    if (QAbstractButton* option = options_->button(static_cast<int>(viewer.chosen())))
        option->setChecked(true);
    if (viewer.loads() == shown_loads_) return;
    shown_loads_ = viewer.loads();
    const ViewerContent& content = viewer.content();
    if (content.rich) {
        parts_->text_viewer.show_rich(content.document);
    } else if (content.companion == Companion::kDescription) {
        parts_->text_viewer.show_plain(content.plain_text);
    } else {
        parts_->text_viewer.show_code(content.plain_text);
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
    connect_watch_menu();
}

void HalvaneWindow::connect_watch_menu() {
    MainWindow& logic = *logic_;
    const auto on = [this](const char* action, auto command) {
        connect(findChild<QAction*>(action), &QAction::triggered, this, command);
    };
    on("watch_readorwritecell", [&logic] { logic.cells().read_or_write_cell(); });
    on("watch_getall", [&logic] { logic.cells().get_all(); });
    connect(findChild<QAction*>("watch_liverefresh"), &QAction::toggled, this,
            [&logic](bool live) { logic.watch().set_live_refresh(live); });
    for (QAction* choice : findChild<QMenu*>("watch_refreshinterval_menu")->actions()) {
        connect(choice, &QAction::triggered, this,
                [&logic, choice] { logic.watch().set_interval(choice->data().toDouble()); });
    }
    connect(findChild<QAction*>("watch_blockreads"), &QAction::toggled, this, [this](bool allowed) {
        logic_->link().set_block_reads_allowed(allowed);
        if (keeps_settings_) remember_block_reads_allowed(allowed);
    });
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
