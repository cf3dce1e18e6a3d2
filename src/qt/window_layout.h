#pragma once

class QButtonGroup;
class QLabel;
class QLineEdit;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTextEdit;
class QWidget;

namespace halvane::qt {

class ConsoleField;
class DesignLayout;
class GridColumnWidths;
class RegisterStrip;
class WatchGrid;

// The main window's controls, each at its place as drawn in twips, with the object names tests
// and tools find them by. The window owns them (as Qt children); these are views of them.
//
// The window opens at the size it was drawn for, which is also its smallest. A larger window
// gives its room to the grid and the viewer (side by side, with a divider between them) and to
// Text1; labels and buttons keep their places beside the controls they belong to.
struct WindowControls {
    QWidget* client = nullptr;
    DesignLayout* client_layout = nullptr;
    QSplitter* panes = nullptr;
    QLabel* grid_title = nullptr;
    QLabel* live_figures = nullptr;
    QPushButton* get_all = nullptr;
    QRadioButton* listing_option = nullptr;
    QRadioButton* source_option = nullptr;
    QRadioButton* description_option = nullptr;
    QButtonGroup* options = nullptr;  // the three options, by their Companion
    WatchGrid* grid = nullptr;
    RegisterStrip* registers = nullptr;  // under the grid
    GridColumnWidths* column_widths = nullptr;
    QTextEdit* viewer = nullptr;
    QLineEdit* receive_box = nullptr;
    ConsoleField* console = nullptr;
    QLabel* status = nullptr;
    QProgressBar* progress = nullptr;
};

// Builds the controls into `window` as its central widget, in the designed tab order.
WindowControls build_window_controls(QMainWindow& window);

}  // namespace halvane::qt
