// The grid adapter: the heading row as the table's header, the current cell, widths in
// twips, and which keys and double-clicks reach the handlers.

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <cmath>

#include "qt/watch_grid.h"

using halvane::qt::WatchGrid;

class WatchGridTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void row_0_is_the_heading_both_ways();
    void cells_keep_their_bytes();
    void current_cell_in_logic_rows();
    void character_keys_reach_the_key_press_handler();
    void control_keys_deliver_their_codes();
    void navigation_keys_move_the_current_cell_without_a_key_press();
    void double_click_on_a_cell_makes_it_current_first();
    void double_click_on_the_heading_keeps_the_current_cell();
    void highlight_stays_readable_in_light_and_dark_palettes();
    void marks_are_painted_with_the_palette_in_use();
    void tooltips_come_from_the_handler_when_asked();

  private:
    QRect cell_rect(int logic_row, int col) const {
        return grid_->visualRect(grid_->model()->index(logic_row - 1, col));
    }
    // The cell as painted, without its one-pixel grid lines.
    QImage painted_cell(int logic_row, int col) const {
        return grid_->viewport()->grab(cell_rect(logic_row, col).adjusted(2, 2, -2, -2)).toImage();
    }

    std::unique_ptr<WatchGrid> grid_;
    std::vector<int> keys_;
    std::vector<std::pair<int, int>> double_clicks_;  // current cell at each call
    std::vector<halvane::Subscription> told_;
};

void WatchGridTest::init() {
    grid_ = std::make_unique<WatchGrid>();
    grid_->resize(400, 300);
    keys_.clear();
    double_clicks_.clear();
    told_.clear();
    told_.push_back(grid_->key_pressed.subscribe([this](int code) { keys_.push_back(code); }));
    told_.push_back(grid_->double_clicked.subscribe(
        [this] { double_clicks_.emplace_back(grid_->row(), grid_->col()); }));
    grid_->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid_.get()));
    grid_->setFocus();
}

void WatchGridTest::cleanup() {
    grid_.reset();
}

void WatchGridTest::row_0_is_the_heading_both_ways() {
    const char* headings[] = {"Address", "Description", "Hex Value", "Flag", "Dec Value"};
    for (int col = 0; col < 5; ++col) grid_->set_text(0, col, headings[col]);
    for (int col = 0; col < 5; ++col) {
        QCOMPARE(grid_->horizontalHeaderItem(col)->text(), QString(headings[col]));
        QCOMPARE(grid_->text(0, col), std::string(headings[col]));
    }
    // Row 1 is the first body row, not the heading.
    grid_->set_text(1, 0, "2400");
    QCOMPARE(grid_->item(0, 0)->text(), QString("2400"));
    QCOMPARE(grid_->horizontalHeaderItem(0)->text(), QString("Address"));
}

void WatchGridTest::cells_keep_their_bytes() {
    const std::string typed("24\r\x1b\x01\xe9", 6);
    grid_->set_text(99, 4, typed);
    QCOMPARE(grid_->text(99, 4), typed);
    QCOMPARE(grid_->item(98, 4)->text().right(1), QString(QChar(0xe9)));

    // A description from a UTF-8 file is shown as such and read back unchanged.
    const std::string utf8 =
        "Temp \xc2\xb0"
        "C";
    grid_->set_text(3, 1, utf8);
    QCOMPARE(grid_->item(2, 1)->text(), QString::fromUtf8("Temp \xc2\xb0"
                                                          "C"));
    QCOMPARE(grid_->text(3, 1), utf8);

    QCOMPARE(grid_->text(100, 0), std::string());
    grid_->set_text(-1, 0, "ignored");
    QCOMPARE(grid_->text(5, 5), std::string());
}

void WatchGridTest::current_cell_in_logic_rows() {
    grid_->set_current(7, 3);
    QCOMPARE(grid_->currentRow(), 6);
    QCOMPARE(grid_->currentColumn(), 3);
    QCOMPARE(grid_->row(), 7);
    QCOMPARE(grid_->col(), 3);

    grid_->setCurrentCell(98, 1);
    QCOMPARE(grid_->row(), 99);
    QCOMPARE(grid_->col(), 1);

    // The heading cannot be current: the first body row is.
    grid_->set_current(0, 3);
    QCOMPARE(grid_->row(), 1);

    // Moved from code (Get All ends on row 99), the current cell leaves the view where it was;
    // the user's own keys still scroll.
    grid_->resize(300, 200);
    grid_->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid_.get()));
    grid_->scrollToTop();
    grid_->set_current(99, 0);
    QCOMPARE(grid_->row(), 99);
    QCOMPARE(grid_->verticalScrollBar()->value(), 0);
    grid_->set_current(1, 0);
    QTest::keyClick(grid_.get(), Qt::Key_PageDown);
    QVERIFY(grid_->verticalScrollBar()->value() > 0);
}

void WatchGridTest::character_keys_reach_the_key_press_handler() {
    QTest::keyClicks(grid_.get(), "2400 wD");
    QCOMPARE(keys_, (std::vector<int>{'2', '4', '0', '0', ' ', 'w', 'D'}));

    keys_.clear();
    QKeyEvent latin1(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(0xe9)));
    QApplication::sendEvent(grid_.get(), &latin1);
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20ac)));
    QApplication::sendEvent(grid_.get(), &euro);
    // A character beyond the basic plane is one key, not its two UTF-16 halves.
    const char32_t smile = 0x1f600;
    QKeyEvent emoji(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                    QString::fromUcs4(&smile, 1));
    QApplication::sendEvent(grid_.get(), &emoji);
    QCOMPARE(keys_, (std::vector<int>{0xe9, 0x20ac, 0x1f600}));
}

void WatchGridTest::control_keys_deliver_their_codes() {
    QTest::keyClick(grid_.get(), Qt::Key_Return);
    QTest::keyClick(grid_.get(), Qt::Key_Enter);
    QTest::keyClick(grid_.get(), Qt::Key_Escape);
    QTest::keyClick(grid_.get(), Qt::Key_Backspace);
    QTest::keyClick(grid_.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(grid_.get(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(grid_.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(keys_, (std::vector<int>{13, 13, 27, 8, 1, 3, 26}));
    // None of them moved the current cell.
    QCOMPARE(grid_->row(), 1);
    QCOMPARE(grid_->col(), 0);
}

void WatchGridTest::navigation_keys_move_the_current_cell_without_a_key_press() {
    QTest::keyClick(grid_.get(), Qt::Key_Down);
    QTest::keyClick(grid_.get(), Qt::Key_Down);
    QTest::keyClick(grid_.get(), Qt::Key_Right);
    QTest::keyClick(grid_.get(), Qt::Key_Delete);
    QTest::keyClick(grid_.get(), Qt::Key_F, Qt::AltModifier);
    QVERIFY(keys_.empty());
    QCOMPARE(grid_->row(), 3);
    QCOMPARE(grid_->col(), 1);
}

void WatchGridTest::double_click_on_a_cell_makes_it_current_first() {
    const QRect cell = cell_rect(4, 2);
    QVERIFY(cell.isValid());
    // As a user does it: the first click, then the second click of the double-click.
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mousePress(grid_->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(grid_->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QCOMPARE(double_clicks_, (std::vector<std::pair<int, int>>{{4, 2}}));
    QCOMPARE(grid_->row(), 4);
}

void WatchGridTest::double_click_on_the_heading_keeps_the_current_cell() {
    grid_->set_current(5, 0);
    QHeaderView* header = grid_->horizontalHeader();
    const QPoint on_col3(header->sectionViewportPosition(3) + header->sectionSize(3) / 2,
                         header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, on_col3);
    QCOMPARE(double_clicks_, (std::vector<std::pair<int, int>>{{5, 0}}));
}

namespace {

double luminance(const QColor& colour) {
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

// The contrast ratio of two colours, 1 (none) to 21 (black on white).
double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette palette_of(const char* base, const char* text, const char* highlight) {
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(base));
    palette.setColor(QPalette::Text, QColor(text));
    palette.setColor(QPalette::Highlight, QColor(highlight));
    return palette;
}

int darkest(const QImage& image) {
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    }
    return darkest;
}

}  // namespace

void WatchGridTest::highlight_stays_readable_in_light_and_dark_palettes() {
    const QPalette light = palette_of("#ffffff", "#000000", "#308cc6");
    const QPalette dark = palette_of("#1e1e1e", "#f0f0f0", "#2a82da");
    for (const QPalette& palette : {light, dark}) {
        const QColor base = palette.color(QPalette::Base);
        QCOMPARE(WatchGrid::highlight_background(palette, 0), base);
        const QColor full = WatchGrid::highlight_background(palette, 1);
        const QColor half = WatchGrid::highlight_background(palette, 0.5);
        // It shows, it fades evenly towards the base, and the text on it stays readable.
        QVERIFY(contrast(full, base) > 1.3);
        QVERIFY(contrast(half, base) < contrast(full, base));
        QVERIFY(contrast(full, palette.color(QPalette::Text)) >= 4.5);
    }
}

void WatchGridTest::marks_are_painted_with_the_palette_in_use() {
    grid_->set_text(2, 2, "WWWW");
    grid_->set_text(3, 2, "WWWW");
    grid_->set_current(9, grid_->col());  // no selection on the cells looked at
    const QImage plain = painted_cell(4, 2);

    grid_->set_hex_highlight(4, 1);
    QCOMPARE(grid_->hex_highlight(4), 1.0);
    QCOMPARE(grid_->hex_highlight(5), 0.0);
    const QColor expected = WatchGrid::highlight_background(grid_->palette(), 1);
    QImage marked = painted_cell(4, 2);
    QCOMPARE(marked.pixel(marked.width() / 2, marked.height() / 2), expected.rgb());
    QCOMPARE(painted_cell(4, 1), painted_cell(5, 1));  // only the Hex Value cell

    // A new palette (the desktop switching to a dark theme) changes the painted colour.
    QPalette dark = palette_of("#1e1e1e", "#f0f0f0", "#2a82da");
    grid_->setPalette(dark);
    marked = painted_cell(4, 2);
    QCOMPARE(marked.pixel(marked.width() / 2, marked.height() / 2),
             WatchGrid::highlight_background(dark, 1).rgb());
    grid_->setPalette(QPalette());
    grid_->set_hex_highlight(4, 0);
    QCOMPARE(painted_cell(4, 2), plain);

    // A greyed row draws its text in the disabled colour, lighter than the normal text.
    QPalette greys = grid_->palette();
    greys.setColor(QPalette::Text, QColor("#000000"));  // every group
    greys.setColor(QPalette::Disabled, QPalette::Text, QColor("#a0a0a0"));
    grid_->setPalette(greys);
    grid_->set_row_greyed(3, true);
    QVERIFY(grid_->row_greyed(3));
    QVERIFY(!grid_->row_greyed(2));
    QVERIFY(darkest(painted_cell(2, 2)) < 60);
    QVERIFY(darkest(painted_cell(3, 2)) > 120);
    grid_->set_row_greyed(3, false);
    QCOMPARE(painted_cell(3, 2), painted_cell(2, 2));
}

void WatchGridTest::tooltips_come_from_the_handler_when_asked() {
    std::vector<std::pair<int, int>> asked;
    grid_->tool_tip_text = [&](int row, int col) {
        asked.emplace_back(row, col);
        return col == 2 ? std::string("read 0.3 s ago") : std::string();
    };
    const auto hover = [&](int logic_row, int col) {
        const QPoint at = cell_rect(logic_row, col).center();
        QHelpEvent event(QEvent::ToolTip, at, grid_->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid_->viewport(), &event);
    };
    hover(6, 2);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QString("read 0.3 s ago"));
    hover(6, 1);
    QTRY_VERIFY(!QToolTip::isVisible());
    QCOMPARE(asked, (std::vector<std::pair<int, int>>{{6, 2}, {6, 1}}));
}

QTEST_MAIN(WatchGridTest)
#include "qt_watch_grid_test.moc"
