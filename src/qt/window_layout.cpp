#include "qt/window_layout.h"

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTextEdit>
#include <array>
#include <iterator>
#include <utility>

#include "qt/console_field.h"
#include "qt/design_layout.h"
#include "qt/grid_column_widths.h"
#include "qt/register_strip.h"
#include "qt/twips.h"
#include "qt/watch_grid.h"
#include "viewer/companion_viewer.h"

namespace halvane::qt {

namespace {
// The client area below the menu bar, as drawn.
constexpr QSize kClientTwips{11880, 6360};
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
constexpr int kPaneTopTwips = 240;
constexpr int kRegisterStripTwips = 285;  // the register strip's row under the grid  // where the
                                          // grid and the viewer start below their captions
// A pane narrowed by the divider keeps its captions beside each other.
constexpr int kGridPaneMinWidthTwips = 2880;
constexpr int kViewerPaneMinWidthTwips = 3855;
constexpr std::array<int, WatchGrid::kCols> kColumnWidthsTwips = {900, 1900, 900, 400, 900};

QFrame* make_rule(QWidget* client, const char* name) {
    auto* rule = new QFrame(client);
    rule->setObjectName(name);
    rule->setFrameShape(QFrame::NoFrame);
    rule->setAutoFillBackground(true);
    QPalette palette = rule->palette();
    // The window-frame colour: black in the default scheme, the shade of frame outlines.
    palette.setColor(QPalette::Window, palette.color(QPalette::Shadow));
    rule->setPalette(palette);
    return rule;
}

// The grid with its caption, the live figures and Get All above it, Get All at its right edge.
QWidget* build_grid_pane(WindowControls& c) {
    auto* pane = new QWidget;
    pane->setObjectName("grid_pane");
    auto* layout = new DesignLayout(pane, QSize(kGridPaneWidthTwips, kPanesTwips.height()));
    layout->set_minimum_twips(QSize(kGridPaneMinWidthTwips, kPanesTwips.height()));

    c.grid_title = new QLabel(QStringLiteral("Memory Dump"), pane);
    c.grid_title->setObjectName("Label2");
    layout->place(c.grid_title, QRect(0, 0, 1215, kCaptionHeightTwips), Follow::kStays,
                  Follow::kStays);
    c.live_figures = new QLabel(pane);
    c.live_figures->setObjectName("live_figures");
    c.live_figures->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->place(c.live_figures, QRect(1245, 0, 2655, kCaptionHeightTwips), Follow::kGrows,
                  Follow::kStays);
    c.get_all = new QPushButton(QStringLiteral("Get All"), pane);
    c.get_all->setObjectName("get_all");
    c.get_all->setAutoDefault(false);
    layout->place(c.get_all, QRect(3960, 0, 1335, kCaptionHeightTwips), Follow::kMoves,
                  Follow::kStays);

    c.grid = new WatchGrid(pane);
    c.grid->setObjectName("DataGrid");
    layout->place(c.grid, QRect(0, kPaneTopTwips, kGridPaneWidthTwips, 4455 - kRegisterStripTwips),
                  Follow::kGrows, Follow::kGrows);
    // The stopped program's registers, under the grid.
    c.registers = new RegisterStrip(pane);
    layout->place(c.registers,
                  QRect(0, kPaneTopTwips + 4455 - kRegisterStripTwips, kGridPaneWidthTwips,
                        kRegisterStripTwips),
                  Follow::kGrows, Follow::kMoves);
    c.column_widths = new GridColumnWidths(*c.grid, kColumnWidthsTwips, kGridPaneWidthTwips);
    return pane;
}

// The viewer with its three options above its left edge.
QWidget* build_viewer_pane(QMainWindow& window, WindowControls& c) {
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
    c.listing_option = option("Option1", "List File", 120, 975);
    c.source_option = option("Option2", "C code", 1200, 855);
    c.description_option = option("Option3", "Prog Desc", 2280, 1455);
    c.listing_option->setChecked(true);
    c.options = new QButtonGroup(&window);
    c.options->setExclusive(true);
    c.options->addButton(c.listing_option, static_cast<int>(Companion::kListing));
    c.options->addButton(c.source_option, static_cast<int>(Companion::kSource));
    c.options->addButton(c.description_option, static_cast<int>(Companion::kDescription));

    c.viewer = new QTextEdit(pane);
    c.viewer->setObjectName("RichTextBox1");
    layout->place(c.viewer, QRect(0, kPaneTopTwips, kViewerPaneWidthTwips, 4455), Follow::kGrows,
                  Follow::kGrows);
    return pane;
}

// The layout was drawn for a small dialog font. Where the desktop's default font is larger,
// the window uses the same face a little smaller, until each caption fits its control as drawn.
void fit_font_to_captions(QMainWindow& window, const WindowControls& c) {
    constexpr double kSmallestPointSize = 7.0;
    const std::pair<const QWidget*, int> captioned[] = {{c.grid_title, 1215},
                                                        {c.listing_option, 975},
                                                        {c.source_option, 855},
                                                        {c.description_option, 1455},
                                                        {c.status, 3135}};
    QFont font = c.client->font();
    const auto fits = [&] {
        for (const auto& [widget, width] : captioned) {
            if (widget->sizeHint().width() > twips_x(window, width)) return false;
        }
        return QFontMetrics(font).height() + 2 <= twips_y(window, kCaptionHeightTwips);
    };
    while (!fits() && font.pointSizeF() - 0.5 >= kSmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        c.client->setFont(font);
    }
}

void set_tab_order(QMainWindow& window, const WindowControls& c) {
    // Labels and the progress bar take no focus; the rest keep the designed order.
    QWidget* order[] = {
        c.grid,          c.receive_box,        c.console, c.viewer, c.listing_option,
        c.source_option, c.description_option, c.get_all};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        window.setTabOrder(order[i], order[i + 1]);
}
}  // namespace

WindowControls build_window_controls(QMainWindow& window) {
    WindowControls c;
    c.client = new QWidget(&window);
    c.client->setObjectName("client");
    window.setCentralWidget(c.client);
    c.client_layout = new DesignLayout(c.client, kClientTwips);

    c.panes = new QSplitter(Qt::Horizontal, c.client);
    c.panes->setObjectName("panes");
    c.panes->setChildrenCollapsible(false);
    c.panes->setHandleWidth(twips_x(window, kDividerTwips));
    c.panes->addWidget(build_grid_pane(c));
    c.panes->addWidget(build_viewer_pane(window, c));
    c.panes->setStretchFactor(0, 1);
    c.panes->setStretchFactor(1, 1);
    c.panes->setSizes(
        {twips_x(window, kGridPaneWidthTwips), twips_x(window, kViewerPaneWidthTwips)});

    c.receive_box = new QLineEdit(c.client);
    c.receive_box->setObjectName("Text1");
    c.console = new ConsoleField(c.client);
    c.status = new QLabel(QStringLiteral("Status: "), c.client);
    c.status->setObjectName("Status");
    c.progress = new QProgressBar(c.client);
    c.progress->setObjectName("ProgressBar1");

    DesignLayout& layout = *c.client_layout;
    layout.place(make_rule(c.client, "Line1"), QRect(0, 0, kRuleLengthTwips, kRuleTwips),
                 Follow::kGrows, Follow::kStays);
    layout.place(c.panes, kPanesTwips, Follow::kGrows, Follow::kGrows);
    layout.place(c.receive_box, QRect(120, 4920, 11655, 495), Follow::kGrows, Follow::kMoves);
    layout.place(c.console, QRect(120, 5430, 11655, 375), Follow::kGrows, Follow::kMoves);
    layout.place(make_rule(c.client, "Line2"), QRect(0, 5880, kRuleLengthTwips, kRuleTwips),
                 Follow::kGrows, Follow::kMoves);
    // The status line's width follows its text (the window's status row).
    layout.place(c.status, QRect(120, 6000, 3135, 255), Follow::kStays, Follow::kMoves);
    layout.place(c.progress, QRect(3240, 6000, 8415, 255), Follow::kGrows, Follow::kMoves);
    fit_font_to_captions(window, c);
    set_tab_order(window, c);
    return c;
}

}  // namespace halvane::qt
