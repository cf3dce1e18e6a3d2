#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "qt/dialog_gate.h"

class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTextEdit;

namespace halvane::qt {

class LivePlotWindow;
class WatchGrid;
class QtSerialPort;
struct WindowParts;

// The main window on screen: every control at its place and the menu. It shows the state of
// the window's subsystems (MainWindow) and hands the user's commands to them. Controls carry
// object names that tests and tools find them by.
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
    bool closed() const { return closed_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void build_controls();
    void build_menu();
    void build_watch_menu();
    void open_plot();
    void set_tab_order();
    void show_logic();
    void connect_commands();
    void show_viewer();
    QFrame* make_rule(const char* name, int top_twips);
    void fit_font_to_captions();
    void close_logic();

    QWidget* client_ = nullptr;
    QLabel* grid_title_ = nullptr;
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
    int shown_loads_ = 0;  // the viewer's content last shown
    bool closed_ = false;
};

}  // namespace halvane::qt
