#include "qt/design_layout.h"

#include <QWidget>
#include <algorithm>

#include "qt/twips.h"

namespace halvane::qt {

namespace {

// One axis of a placed widget: its start and length in an area `extra` pixels larger than
// designed.
void follow(Follow how, int extra, int& start, int& length) {
    if (how == Follow::kMoves) start += extra;
    if (how == Follow::kGrows) length = std::max(0, length + extra);
}

}  // namespace

DesignLayout::DesignLayout(QWidget* parent, QSize designed_twips)
    : QLayout(parent), designed_twips_(designed_twips), minimum_twips_(designed_twips) {
    setContentsMargins(0, 0, 0, 0);
}

DesignLayout::~DesignLayout() {
    for (const Placed& placed : placed_) delete placed.item;
}

void DesignLayout::place(QWidget* widget, QRect twips, Follow x, Follow y) {
    addChildWidget(widget);
    placed_.push_back({new QWidgetItem(widget), twips, x, y});
    invalidate();
}

void DesignLayout::set_minimum_twips(QSize twips) {
    minimum_twips_ = twips;
    invalidate();
}

QSize DesignLayout::pixels(QSize twips) const {
    const QWidget* widget = parentWidget();
    return QSize(twips_x(*widget, twips.width()), twips_y(*widget, twips.height()));
}

QRect DesignLayout::rect_in(const Placed& placed, QSize size) const {
    const QSize designed = pixels(designed_twips_);
    const QRect drawn = twips_rect(*parentWidget(), placed.twips.x(), placed.twips.y(),
                                   placed.twips.width(), placed.twips.height());
    int left = drawn.x();
    int width = drawn.width();
    int top = drawn.y();
    int height = drawn.height();
    follow(placed.x, size.width() - designed.width(), left, width);
    follow(placed.y, size.height() - designed.height(), top, height);
    return QRect(left, top, width, height);
}

QRect DesignLayout::placed_rect(const QWidget* widget, QSize size) const {
    for (const Placed& placed : placed_) {
        if (placed.item->widget() == widget) return rect_in(placed, size);
    }
    return {};
}

QSize DesignLayout::sizeHint() const {
    return pixels(designed_twips_);
}

QSize DesignLayout::minimumSize() const {
    return pixels(minimum_twips_);
}

void DesignLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    for (const Placed& placed : placed_) {
        // The widget's own geometry, as drawn: no style margins, no size hints.
        if (QWidget* widget = placed.item->widget())
            widget->setGeometry(rect_in(placed, rect.size()).translated(rect.topLeft()));
    }
    laid_out.notify();
}

// Items come only through place(); one added otherwise stays where it was drawn, at the top.
void DesignLayout::addItem(QLayoutItem* item) {
    placed_.push_back({item, QRect(), Follow::kStays, Follow::kStays});
}

QLayoutItem* DesignLayout::itemAt(int index) const {
    if (index < 0 || index >= count()) return nullptr;
    return placed_[static_cast<std::size_t>(index)].item;
}

QLayoutItem* DesignLayout::takeAt(int index) {
    if (index < 0 || index >= count()) return nullptr;
    QLayoutItem* item = placed_[static_cast<std::size_t>(index)].item;
    placed_.erase(placed_.begin() + index);
    return item;
}

int DesignLayout::count() const {
    return static_cast<int>(placed_.size());
}

}  // namespace halvane::qt
