#pragma once

#include <QLayout>
#include <QRect>
#include <QSize>
#include <vector>

#include "notify/signal.h"

namespace halvane::qt {

// How a widget follows when its area is larger (or smaller) than the area it was drawn in:
// along one axis it stays where it was drawn, moves with the far edge, or grows with the area.
enum class Follow { kStays, kMoves, kGrows };

// Places widgets where they were drawn, in twips within an area of a designed size, so the
// designed size shows exactly the drawing. A larger area goes to the widgets told to move or
// grow with it. The designed size is the layout's preferred size and, unless set otherwise,
// also its smallest.
class DesignLayout : public QLayout {
  public:
    DesignLayout(QWidget* parent, QSize designed_twips);
    ~DesignLayout() override;
    DesignLayout(const DesignLayout&) = delete;
    DesignLayout& operator=(const DesignLayout&) = delete;

    void place(QWidget* widget, QRect twips, Follow x, Follow y);
    void set_minimum_twips(QSize twips);
    // Where `widget` stands in an area of `size` pixels (within the layout's widget).
    QRect placed_rect(const QWidget* widget, QSize size) const;

    // Told after each placing, for widgets whose place depends on the others'.
    Signal<> laid_out;

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;
    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;

  private:
    struct Placed {
        QLayoutItem* item = nullptr;
        QRect twips;
        Follow x = Follow::kStays;
        Follow y = Follow::kStays;
    };
    QSize pixels(QSize twips) const;
    QRect rect_in(const Placed& placed, QSize size) const;

    QSize designed_twips_;
    QSize minimum_twips_;
    std::vector<Placed> placed_;
};

}  // namespace halvane::qt
