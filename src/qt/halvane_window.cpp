#include "qt/halvane_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <utility>

#include "link/wire_protocol.h"
#include "qt/console_field.h"
#include "qt/debug_view.h"
#include "qt/design_layout.h"
#include "qt/file_dialog.h"
#include "qt/input_box.h"
#include "qt/label_text.h"
#include "qt/live_plot_window.h"
#include "qt/message_box.h"
#include "qt/progress_bar.h"
#include "qt/receive_buffer_box.h"
#include "qt/serial_port_dialog.h"
#include "qt/status_row.h"
#include "qt/symbol_picker_dialog.h"
#include "qt/text_viewer.h"
#include "qt/watch_grid.h"
#include "qt/watch_grid_binding.h"
#include "qt/window_menus.h"
#include "qt/window_settings.h"
#include "qt_adapters/qt_clock.h"
#include "qt_adapters/qt_serial_port.h"
#include "qt_adapters/text_encoding.h"
#include "status/status_texts.h"

namespace halvane::qt {

namespace {
constexpr std::string_view kViewerFace = "Times New Roman (Western)";
}  // namespace

// The adapters of the platform interfaces and the views of the subsystems' state.
struct WindowParts {
    WindowParts(HalvaneWindow& window, const DialogGate& gate, const QString& device,
                const WindowControls& c)
        : serial(device),
          status_text(*c.status),
          live_figures_text(*c.live_figures),
          receive_box_text(*c.receive_box),
          progress_bar(*c.progress),
          message_box(window, gate, from_utf8(texts::kCaption)),
          input_box(window, gate),
          file_dialog(window, gate),
          text_viewer(*c.viewer),
          symbol_picker(window, gate),
          port_picker(window, gate),
          status_row(*c.status, status_text, *c.progress) {}

    Platform platform() {
        return {clock, serial, {message_box, input_box, file_dialog, &symbol_picker, &port_picker}};
    }

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
    controls_ = build_window_controls(*this);
    add_file_menu(*menuBar());
    add_watch_menu(*menuBar());
    add_board_menu(*menuBar());

    parts_ = std::make_unique<WindowParts>(*this, gate_, device, controls_);
    session_ =
        std::make_unique<app::BoardSession>(parts_->platform(), std::move(initial_directory));
    settings_ = std::make_unique<WindowSettings>(*this, *controls_.panes, *controls_.column_widths,
                                                 *findChild<QAction*>("watch_blockreads"));
    // Kept (hidden) from the start; the samples it draws are kept whether or not it is open.
    plot_ = new LivePlotWindow(session_->watch().samples(), this);
    show_session();
    connect_commands();
    controls_.grid->setFocus(Qt::OtherFocusReason);
}

HalvaneWindow::~HalvaneWindow() {
    close_session();
    // The views watch the session, and the session holds the adapters.
    debug_view_.reset();
    shown_.clear();
    parts_->grid_binding.reset();
    delete plot_;
    session_.reset();
    parts_.reset();
}

QtSerialPort& HalvaneWindow::serial_port() {
    return parts_->serial;
}

void HalvaneWindow::refresh_receive_buffer() {
    parts_->receive_box_text.refresh();
}

bool HalvaneWindow::start() {
    return session_->start();
}

WindowLayoutMemory HalvaneWindow::layout_memory() const {
    return settings_->layout_memory();
}

void HalvaneWindow::restore_layout(const WindowLayoutMemory& memory) {
    settings_->restore_layout(memory);
}

void HalvaneWindow::keep_in_user_settings() {
    settings_->keep();
}

void HalvaneWindow::closeEvent(QCloseEvent* event) {
    // Breakpoints armed in the program come out before the port closes; the window closes once
    // that has gone.
    if (!closed_ && !leaving_board_ && session_->debug().leaves_breakpoints()) {
        leaving_board_ = true;
        event->ignore();
        session_->debug().leave_board([this] { QTimer::singleShot(0, this, [this] { close(); }); });
        return;
    }
    // Nothing may come back on screen from a command whose dialog the close interrupts.
    gate_.window_closed = true;
    if (!closed_) settings_->window_closing();
    close_session();
    event->accept();
}

void HalvaneWindow::close_session() {
    if (closed_ || !session_) return;
    closed_ = true;
    session_->close();
}

// The status line as wide as its text needs, the progress bar the rest of the row.
void HalvaneWindow::fit_status_row() {
    const QSize size = controls_.client->size();
    parts_->status_row.place(controls_.client_layout->placed_rect(controls_.status, size),
                             controls_.client_layout->placed_rect(controls_.progress, size));
}

// Plot...: the variables the sweep reads, the current row's checked when none is.
void HalvaneWindow::open_plot() {
    const WatchTable& table = session_->table();
    plot_->check_if_none(table.variable(table.row()));
    plot_->show();
    plot_->raise();
    plot_->activateWindow();
}

// The subsystems' state on screen: the grid, the status line, the live figures, the receive
// box, the progress bar and the viewer follow it.
void HalvaneWindow::show_session() {
    WindowParts& p = *parts_;
    app::BoardSession& s = *session_;
    p.grid_binding = std::make_unique<WatchGridBinding>(s.table(), *controls_.grid);
    shown_.push_back(s.status().shown_changed.subscribe([this](const std::string& text) {
        parts_->status_text.set_text(text);
        fit_status_row();
    }));
    shown_.push_back(s.watch().figures_changed.subscribe([&p, &watch = s.watch()] {
        p.live_figures_text.set_tool_tip(watch.figures_tooltip());
        p.live_figures_text.set_text(watch.figures_text());
    }));
    shown_.push_back(s.link().received().changed.subscribe(
        [&p](const std::string& text) { p.receive_box_text.set_text(text); }));
    shown_.push_back(s.download().progress_changed.subscribe([&p, &download = s.download()] {
        p.progress_bar.show(download.progress_value(), download.progress_maximum());
    }));
    p.text_viewer.set_font_face(kViewerFace);
    shown_.push_back(s.viewer().changed.subscribe([this] { show_viewer(); }));
    controls_.grid->tool_tip_text = [&watch = s.watch()](int row, int col) {
        return col == kHexValueCol ? watch.age_text(row) : std::string();
    };
    shown_.push_back(controls_.client_layout->laid_out.subscribe([this] { fit_status_row(); }));
}

// Listings and C source line up in the fixed-pitch font; a description reads as written.
void HalvaneWindow::show_viewer() {
    const CompanionViewer& viewer = session_->viewer();
    if (QAbstractButton* option = controls_.options->button(static_cast<int>(viewer.chosen())))
        option->setChecked(true);
    if (viewer.loads() == shown_loads_) return;
    shown_loads_ = viewer.loads();
    const ViewerContent& content = viewer.content();
    if (content.rich) {
        parts_->text_viewer.show_rich(content.document);
    } else if (content.companion == Companion::kDescription) {
        parts_->text_viewer.show_plain(content.plain_text);
    } else if (content.companion == Companion::kListing) {
        // With the margin for breakpoints and the stop's mark.
        parts_->text_viewer.show_listing(content.plain_text);
    } else {
        parts_->text_viewer.show_code(content.plain_text);
    }
}

// The user's commands go to the subsystem that owns them.
void HalvaneWindow::connect_commands() {
    app::BoardSession& s = *session_;
    shown_.push_back(
        controls_.grid->double_clicked.subscribe([&s] { s.cells().read_or_write_cell(); }));
    shown_.push_back(
        controls_.grid->key_pressed.subscribe([&s](int code) { s.cells().type_key(code); }));
    connect(controls_.get_all, &QPushButton::clicked, this, [&s] { s.cells().get_all(); });
    connect(controls_.options, &QButtonGroup::idClicked, this,
            [&s](int id) { s.viewer().choose(static_cast<Companion>(id)); });
    const auto on = [this](const char* action, auto command) {
        connect(findChild<QAction*>(action), &QAction::triggered, this, command);
    };
    // File > New does nothing.
    on("file_open", [&s] { s.download().open_program(); });
    on("file_openoverlay", [&s] { s.maps().open_overlay(); });
    on("file_importsymbols", [&s] { s.symbols().import_symbols(); });
    on("File_save", [&s] { s.maps().save(); });
    on("file_serialport", [&s] { s.port().choose_port(); });
    on("file_canceldownload", [&s] { s.download().cancel(); });
    QAction* cancel_download = findChild<QAction*>("file_canceldownload");
    shown_.push_back(s.download().running_changed.subscribe(
        [cancel_download](bool running) { cancel_download->setVisible(running); }));
    connect_watch_menu();
    controls_.console->bind(s.console());
    on("board_console", [this] { controls_.console->setFocus(Qt::ShortcutFocusReason); });
    debug_view_ = std::make_unique<DebugView>(*this, gate_, s, parts_->text_viewer.margin(),
                                              *controls_.registers);
}

void HalvaneWindow::connect_watch_menu() {
    app::BoardSession& s = *session_;
    const auto on = [this](const char* action, auto command) {
        connect(findChild<QAction*>(action), &QAction::triggered, this, command);
    };
    on("watch_readorwritecell", [&s] { s.cells().read_or_write_cell(); });
    on("watch_getall", [&s] { s.cells().get_all(); });
    connect(findChild<QAction*>("watch_liverefresh"), &QAction::toggled, this,
            [&s](bool live) { s.watch().set_live_refresh(live); });
    for (QAction* choice : findChild<QMenu*>("watch_refreshinterval_menu")->actions()) {
        connect(choice, &QAction::triggered, this,
                [&s, choice] { s.watch().set_interval(choice->data().toDouble()); });
    }
    connect(findChild<QAction*>("watch_blockreads"), &QAction::toggled, this,
            [&s](bool allowed) { s.link().set_block_reads_allowed(allowed); });
    connect(findChild<QAction*>("watch_fastline"), &QAction::toggled, this,
            [&s](bool allowed) { s.link().set_fast_line_allowed(allowed); });
    connect(findChild<QAction*>("watch_fastline125000"), &QAction::toggled, this, [&s](bool on) {
        s.link().set_fast_line_target(on ? wire::kFastestLine : wire::kFastLine);
    });
    on("watch_plot", [this] { open_plot(); });
    on("watch_recordtofile", [&s] { s.watch().start_recording(); });
    on("watch_stoprecording", [&s] { s.watch().stop_recording(); });
    QAction* record = findChild<QAction*>("watch_recordtofile");
    QAction* stop = findChild<QAction*>("watch_stoprecording");
    shown_.push_back(s.watch().recording_changed.subscribe([record, stop](bool recording) {
        record->setVisible(!recording);
        stop->setVisible(recording);
    }));
}

}  // namespace halvane::qt
