#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "qt/dialog_gate.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTextEdit;
class QFrame;

namespace halvane::qt {

class LivePlotWindow;
class WatchGrid;
class QtSerialPort;
struct WindowAdapters;

// The main window: every control at its place, the menu, and the wiring of each event to
// its handler in `Tamrin`. Controls carry their designer names as object names.
class TamrinWindow : public QMainWindow {
    Q_OBJECT

  public:
    TamrinWindow(const QString& device, std::string initial_directory, QWidget* parent = nullptr);
    ~TamrinWindow() override;

    // Runs Form_Load. False when the serial port could not be opened (already reported).
    bool load();

    Tamrin& logic() { return *logic_; }
    DialogGate& dialog_gate() { return gate_; }
    QtSerialPort& serial_port();
    WatchGrid& grid() { return *grid_; }
    LivePlotWindow& plot() { return *plot_; }
    // Shows the receive buffer's newest text at once (it otherwise follows within a frame).
    void refresh_receive_buffer();
    bool unloaded() const { return unloaded_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void build_controls();
    void build_menu();
    void build_watch_menu();
    void open_plot();
    void set_tab_order();
    void wire_events();
    QFrame* make_rule(const char* name, int top_twips);
    void fit_font_to_captions();

    QWidget* client_ = nullptr;
    QLabel* label2_ = nullptr;
    QPushButton* get_all_ = nullptr;
    QRadioButton* option1_ = nullptr;
    QRadioButton* option2_ = nullptr;
    QRadioButton* option3_ = nullptr;
    WatchGrid* grid_ = nullptr;
    LivePlotWindow* plot_ = nullptr;
    QTextEdit* viewer_ = nullptr;
    QLineEdit* text1_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;

    DialogGate gate_;
    std::unique_ptr<WindowAdapters> adapters_;
    std::unique_ptr<Tamrin> logic_;
    bool unloaded_ = false;
};

}  // namespace halvane::qt
