#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "qt/dialog_gate.h"
#include "qt/user_settings.h"

class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTextEdit;

namespace halvane::qt {

class DesignLayout;
class GridColumnWidths;
class LivePlotWindow;
class WatchGrid;
class QtSerialPort;
struct WindowParts;

// The main window on screen: every control at its place and the menu. It shows the state of
// the window's subsystems (MainWindow) and hands the user's commands to them. Controls carry
// object names that tests and tools find them by.
//
// It opens at the size it was drawn for, which is also its smallest. A larger window gives its
// room to the grid and the viewer (side by side, with a divider between them) and to Text1;
// labels and buttons keep their places beside the controls they belong to.
class HalvaneWindow : public QMainWindow {
    Q_OBJECT

  public:
    HalvaneWindow(const QString& device, std::string initial_directory, QWidget* parent = nullptr);
    ~HalvaneWindow() override;

    // Opens the serial port. False when it could not be opened (already reported).
    bool start();

    MainWindow& logic() { return *logic_; }
    DialogGate& dialog_gate() { return gate_; }
    QtSerialPort& serial_port();
    WatchGrid& grid() { return *grid_; }
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
    void build_controls();
    QWidget* build_grid_pane();
    QWidget* build_viewer_pane();
    void open_plot();
    void set_tab_order();
    void show_logic();
    void connect_commands();
    void connect_watch_menu();
    void show_viewer();
    void fit_status_row();
    QFrame* make_rule(const char* name);
    void fit_font_to_captions();
    void close_logic();

    QWidget* client_ = nullptr;
    DesignLayout* client_layout_ = nullptr;
    QSplitter* panes_ = nullptr;
    QLabel* grid_title_ = nullptr;
    QLabel* live_figures_ = nullptr;
    QPushButton* get_all_ = nullptr;
    QRadioButton* listing_option_ = nullptr;
    QRadioButton* source_option_ = nullptr;
    QRadioButton* description_option_ = nullptr;
    QButtonGroup* options_ = nullptr;
    WatchGrid* grid_ = nullptr;
    LivePlotWindow* plot_ = nullptr;
    QTextEdit* viewer_ = nullptr;
    QLineEdit* receive_box_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;

    DialogGate gate_;
    std::unique_ptr<WindowParts> parts_;
    std::unique_ptr<MainWindow> logic_;
    GridColumnWidths* column_widths_ = nullptr;
    int shown_loads_ = 0;  // the viewer's content last shown
    bool closed_ = false;
    bool keeps_settings_ = false;
};

}  // namespace halvane::qt
