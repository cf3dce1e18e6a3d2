#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>
#include <string>

#include "app/board_session.h"
#include "notify/signal.h"
#include "qt/dialog_gate.h"
#include "qt/window_layout.h"
#include "qt_adapters/user_settings.h"

namespace halvane::qt {

class DebugView;
class LivePlotWindow;
class QtSerialPort;
class WatchGrid;
class WindowSettings;
struct WindowParts;

// The main window on screen: the controls (window_layout.h) and the menu, bound to the
// subsystems of the session with the board, which the window makes with the Qt adapters of the
// platform. The window shows the subsystems' state and hands the user's commands to them; it
// wires nothing between them (the session does).
class HalvaneWindow : public QMainWindow {
    Q_OBJECT

  public:
    HalvaneWindow(const QString& device, std::string initial_directory, QWidget* parent = nullptr);
    ~HalvaneWindow() override;

    // Opens the serial port. False when it could not be opened (already reported).
    bool start();

    app::BoardSession& session() { return *session_; }
    DialogGate& dialog_gate() { return gate_; }
    QtSerialPort& serial_port();
    WatchGrid& grid() { return *controls_.grid; }
    LivePlotWindow& plot() { return *plot_; }
    // Shows the receive log's newest text at once (it otherwise follows within a frame).
    void refresh_receive_buffer();
    // The window's size, the divider and the column widths the user dragged, as they stand,
    // and given back (before the window is shown).
    WindowLayoutMemory layout_memory() const;
    void restore_layout(const WindowLayoutMemory& memory);
    // The program's own window: the layout the user left last time and the Block Reads choice
    // come back, and both are kept in the user's settings.
    void keep_in_user_settings();
    bool closed() const { return closed_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void show_session();
    void show_viewer();
    void connect_commands();
    void connect_watch_menu();
    void open_plot();
    void fit_status_row();
    void close_session();

    WindowControls controls_;
    LivePlotWindow* plot_ = nullptr;
    DialogGate gate_;
    std::unique_ptr<WindowParts> parts_;
    std::unique_ptr<app::BoardSession> session_;
    std::unique_ptr<WindowSettings> settings_;
    std::unique_ptr<DebugView> debug_view_;
    std::vector<Subscription> shown_;  // the views' subscriptions to the session's subsystems
    int shown_loads_ = 0;              // the viewer's content last shown
    bool closed_ = false;
    bool leaving_board_ = false;  // breakpoints are being taken out before the window closes
};

}  // namespace halvane::qt
