#include "qt/watch_grid.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>

#include "qt_adapters/text_encoding.h"

namespace halvane::qt {

namespace {

constexpr int kBodyRows = WatchGrid::kRows - 1;
// The cell's own bytes; the shown text is derived from them.
constexpr int kBytesRole = Qt::UserRole;
// The live watch's marks: a row whose last read failed, and a changed value's highlight.
constexpr int kGreyedRole = Qt::UserRole + 1;
constexpr int kHighlightRole = Qt::UserRole + 2;
constexpr int kHexValueColumn = 2;
// At full strength the highlight colour is mixed half into the background, so the cell's
// text stays readable on it.
constexpr double kStrongestBlend = 0.5;

void store(QTableWidgetItem& item, std::string_view text) {
    item.setData(kBytesRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    item.setText(display_text(text));
}

std::string stored(const QTableWidgetItem* item) {
    if (item == nullptr) return {};
    const QByteArray bytes = item->data(kBytesRole).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool in_range(int row, int col) {
    return row >= 0 && row < WatchGrid::kRows && col >= 0 && col < WatchGrid::kCols;
}

// Paints the live watch's marks with the colours of the palette in use at the time.
class WatchMarksDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const double strength = index.data(kHighlightRole).toDouble();
        if (strength > 0) {
            option->backgroundBrush = WatchGrid::highlight_background(option->palette, strength);
        }
        if (index.data(kGreyedRole).toBool()) {
            const QColor grey = option->palette.color(QPalette::Disabled, QPalette::Text);
            option->palette.setColor(QPalette::Text, grey);
            option->palette.setColor(QPalette::HighlightedText, grey);
        }
    }
};

}  // namespace

WatchGrid::WatchGrid(QWidget* parent) : QTableWidget(kBodyRows, kCols, parent) {
    setItemDelegate(new WatchMarksDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    // Narrow columns clip their text rather than replace it with an ellipsis.
    setTextElideMode(Qt::ElideNone);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    for (int col = 0; col < kCols; ++col) {
        auto* heading = new QTableWidgetItem;
        store(*heading, {});
        setHorizontalHeaderItem(col, heading);
        for (int body = 0; body < kBodyRows; ++body) {
            auto* item = new QTableWidgetItem;
            store(*item, {});
            setItem(body, col, item);
        }
    }
    setCurrentCell(0, 0);
    fit_rows_to_font();

    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int body_row, int col, int /*previous_row*/, int /*previous_col*/) {
                if (body_row >= 0 && col >= 0) current_moved.notify(body_row + 1, col);
            });
    connect(this, &QTableWidget::cellDoubleClicked, this, [this](int body_row, int col) {
        setCurrentCell(body_row, col);
        double_clicked.notify();
    });
    // A double-click on the heading acts on the current cell as it stands.
    connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int) { double_clicked.notify(); });
}

void WatchGrid::changeEvent(QEvent* event) {
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) fit_rows_to_font();
}

// Rows as high as a line of text, so that many watch rows are in view at once.
void WatchGrid::fit_rows_to_font() {
    const int height = fontMetrics().height() + 4;
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
}

QTableWidgetItem* WatchGrid::cell_item(int row, int col) const {
    if (!in_range(row, col)) return nullptr;
    return row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
}

std::string WatchGrid::text(int row, int col) const {
    return stored(cell_item(row, col));
}

void WatchGrid::set_text(int row, int col, std::string_view text) {
    if (QTableWidgetItem* cell = cell_item(row, col)) store(*cell, text);
}

int WatchGrid::row() const {
    return currentRow() < 0 ? 1 : currentRow() + 1;
}

int WatchGrid::col() const {
    return currentColumn() < 0 ? 0 : currentColumn();
}

// The heading row cannot hold the current cell, so a request for row 0 lands on row 1. The
// user's own keys and clicks scroll as ever.
void WatchGrid::set_current(int row, int col) {
    const int body_row = std::clamp(row, 1, kBodyRows) - 1;
    col = std::clamp(col, 0, kCols - 1);
    if (body_row == currentRow() && col == currentColumn()) return;
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    setCurrentCell(body_row, col);
    setAutoScroll(scrolls);
}

void WatchGrid::set_row_greyed(int row, bool greyed) {
    if (row < 1 || row >= kRows) return;
    for (int col = 0; col < kCols; ++col) item(row - 1, col)->setData(kGreyedRole, greyed);
}

bool WatchGrid::row_greyed(int row) const {
    if (row < 1 || row >= kRows) return false;
    return item(row - 1, 0)->data(kGreyedRole).toBool();
}

void WatchGrid::set_hex_highlight(int row, double strength) {
    if (row < 1 || row >= kRows) return;
    strength = std::clamp(strength, 0.0, 1.0);
    QTableWidgetItem* cell = item(row - 1, kHexValueColumn);
    // Unchanged data would still repaint the cell; a fading highlight asks often.
    if (cell->data(kHighlightRole).toDouble() != strength) cell->setData(kHighlightRole, strength);
}

double WatchGrid::hex_highlight(int row) const {
    if (row < 1 || row >= kRows) return 0;
    return item(row - 1, kHexValueColumn)->data(kHighlightRole).toDouble();
}

QColor WatchGrid::highlight_background(const QPalette& palette, double strength) {
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const QColor mark = palette.color(QPalette::Active, QPalette::Highlight);
    const double blend = std::clamp(strength, 0.0, 1.0) * kStrongestBlend;
    const auto mix = [blend](double from, double to) { return from + (to - from) * blend; };
    return QColor::fromRgbF(static_cast<float>(mix(base.redF(), mark.redF())),
                            static_cast<float>(mix(base.greenF(), mark.greenF())),
                            static_cast<float>(mix(base.blueF(), mark.blueF())));
}

bool WatchGrid::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip || !tool_tip_text)
        return QTableWidget::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const std::string text =
        index.isValid() ? tool_tip_text(index.row() + 1, index.column()) : std::string();
    if (text.empty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), from_utf8(text), viewport(), visualRect(index));
    }
    return true;
}

int WatchGrid::key_code(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers();
    // Alt and Meta combinations belong to the menu and the desktop.
    if (mods & (Qt::AltModifier | Qt::MetaModifier)) return -1;
    const int key = event.key();
    if (key == Qt::Key_Delete || key == Qt::Key_Tab || key == Qt::Key_Backtab) return -1;
    if (key == Qt::Key_Backspace) return 8;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return 13;
    if (key == Qt::Key_Escape) return 27;
    if ((mods & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z) {
        return key - Qt::Key_A + 1;
    }
    const QList<uint> characters = event.text().toUcs4();
    if (characters.isEmpty() || characters.front() == 0x7f) return -1;
    return static_cast<int>(characters.front());
}

void WatchGrid::keyPressEvent(QKeyEvent* event) {
    const int code = key_code(*event);
    if (code < 0) {
        QTableWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    // A composed input can carry several characters; each is one key press.
    const QList<uint> characters = event->text().toUcs4();
    if (characters.size() > 1 && !(event->modifiers() & Qt::ControlModifier)) {
        for (const uint character : characters) {
            key_pressed.notify(static_cast<int>(character));
        }
        return;
    }
    key_pressed.notify(code);
}

}  // namespace halvane::qt
