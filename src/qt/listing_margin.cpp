#include "qt/listing_margin.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <algorithm>
#include <utility>

namespace halvane::qt {

namespace {

// The marks are as tall as this share of a line, and the margin as wide as a line is tall with
// a little room either side, so it grows with the viewer's zoom.
constexpr double kMarkShare = 0.75;
constexpr int kSideRoom = 4;

QTextBlock block_of(const QTextEdit& edit, int line) {
    return edit.document()->findBlockByNumber(line - 1);
}

}  // namespace

ListingMargin::ListingMargin(QTextEdit& edit) : QWidget(&edit), edit_(edit) {
    setObjectName("listing_margin");
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Click to set or clear a breakpoint (F9 on the current line)"));
    hide();
    edit_.installEventFilter(this);
    edit_.viewport()->installEventFilter(this);
    connect(edit_.verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { update(); });
    connect(edit_.document(), &QTextDocument::contentsChanged, this, [this] { update(); });
}

void ListingMargin::set_shown(bool shown) {
    if (shown_ == shown) return;
    shown_ = shown;
    setVisible(shown);
    text_replaced();
}

void ListingMargin::set_breakpoint_lines(std::vector<int> lines) {
    breakpoint_lines_ = std::move(lines);
    std::sort(breakpoint_lines_.begin(), breakpoint_lines_.end());
    update();
}

void ListingMargin::set_stop_line(std::optional<int> line) {
    stop_line_ = line;
    highlight_stop();
    if (line) scroll_to_line(*line);
    update();
}

void ListingMargin::scroll_to_line(int line) {
    const QTextBlock block = block_of(edit_, line);
    if (!block.isValid()) return;
    const QRectF rect = edit_.document()->documentLayout()->blockBoundingRect(block);
    QScrollBar& bar = *edit_.verticalScrollBar();
    const int height = edit_.viewport()->height();
    if (rect.top() >= bar.value() && rect.bottom() <= bar.value() + height) return;
    bar.setValue(static_cast<int>(rect.top()) - height / 3);
}

int ListingMargin::current_line() const {
    return edit_.textCursor().blockNumber() + 1;
}

std::optional<int> ListingMargin::line_at(int y) const {
    const QTextBlock block = edit_.cursorForPosition(QPoint(width() + 1, y)).block();
    if (!block.isValid()) return std::nullopt;
    const int line = block.blockNumber() + 1;
    if (y >= line_rect(line).bottom() + 1) return std::nullopt;
    return line;
}

QRect ListingMargin::line_rect(int line) const {
    const QTextBlock block = block_of(edit_, line);
    if (!block.isValid()) return {};
    const QRectF rect = edit_.document()->documentLayout()->blockBoundingRect(block);
    const int top = static_cast<int>(rect.top()) - edit_.verticalScrollBar()->value();
    return {0, top, width(), static_cast<int>(rect.height())};
}

void ListingMargin::text_replaced() {
    setFixedWidth(edit_.fontMetrics().height() + 2 * kSideRoom);
    follow_viewport();
    make_room();
    highlight_stop();
    update();
}

void ListingMargin::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.color(QPalette::Window));
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawLine(width() - 1, 0, width() - 1, height());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    QTextBlock block = edit_.cursorForPosition(QPoint(width() + 1, 0)).block();
    for (; block.isValid(); block = block.next()) {
        const int line = block.blockNumber() + 1;
        const QRect row = line_rect(line);
        if (row.top() > height()) break;
        const double size = kMarkShare * std::min(row.height(), width());
        const QRectF mark(row.center().x() - size / 2 + 0.5, row.center().y() - size / 2 + 0.5,
                          size, size);
        const bool breakpoint =
            std::binary_search(breakpoint_lines_.begin(), breakpoint_lines_.end(), line);
        if (breakpoint) {
            painter.setBrush(colours.color(QPalette::Highlight));
            painter.drawEllipse(mark);
        }
        if (stop_line_ == line) {
            // An arrow pointing at the text, light on the disc where a breakpoint stopped it.
            QPainterPath arrow;
            arrow.moveTo(mark.topLeft());
            arrow.lineTo(mark.right(), mark.center().y());
            arrow.lineTo(mark.bottomLeft());
            arrow.closeSubpath();
            painter.setBrush(
                colours.color(breakpoint ? QPalette::HighlightedText : QPalette::WindowText));
            painter.drawPath(arrow);
        }
    }
}

void ListingMargin::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (const auto line = line_at(event->position().toPoint().y())) emit toggle_requested(*line);
}

bool ListingMargin::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Resize:
            follow_viewport();
            break;
        case QEvent::KeyPress:
            // The Board menu's key takes F9 before the viewer sees it, once the window has one.
            if (watched == &edit_ && shown_ &&
                static_cast<QKeyEvent*>(event)->key() == Qt::Key_F9 &&
                static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
                emit toggle_requested(current_line());
                return true;
            }
            break;
        case QEvent::PaletteChange:
            if (watched == &edit_) highlight_stop();
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void ListingMargin::follow_viewport() {
    const QRect viewport = edit_.viewport()->geometry();
    move(viewport.topLeft());
    setFixedHeight(viewport.height());
    raise();
}

void ListingMargin::make_room() {
    QTextFrame* root = edit_.document()->rootFrame();
    QTextFrameFormat format = root->frameFormat();
    const int room = shown_ ? width() : 0;
    if (format.leftMargin() == room) return;
    format.setLeftMargin(room);
    root->setFrameFormat(format);
}

void ListingMargin::highlight_stop() {
    QList<QTextEdit::ExtraSelection> selections;
    const QTextBlock block = stop_line_ ? block_of(edit_, *stop_line_) : QTextBlock();
    if (shown_ && block.isValid()) {
        QTextEdit::ExtraSelection stop;
        stop.cursor = QTextCursor(block);
        stop.format.setBackground(edit_.palette().color(QPalette::Highlight));
        stop.format.setForeground(edit_.palette().color(QPalette::HighlightedText));
        stop.format.setProperty(QTextFormat::FullWidthSelection, true);
        selections.push_back(stop);
    }
    edit_.setExtraSelections(selections);
}

}  // namespace halvane::qt
