#pragma once

#include <QList>
#include <QObject>
#include <array>

namespace halvane::qt {

class WatchGrid;

// The watch grid's column widths. At the grid's drawn width each column has its drawn width;
// a wider grid gives its extra width to Description. A width the user drags is kept: a
// dragged Description keeps its width, any other column keeps its own and Description takes
// what is left of the extra width (never less than drawn).
class GridColumnWidths : public QObject {
    Q_OBJECT

  public:
    static constexpr int kDescriptionCol = 1;

    GridColumnWidths(WatchGrid& grid, const std::array<int, 5>& drawn_twips,
                     int drawn_grid_width_twips);

    // The widths the user dragged, in pixels, one per column (0 where none was dragged), to
    // remember between runs and give back through set_dragged.
    QList<int> dragged() const;
    void set_dragged(const QList<int>& widths);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fit();
    void user_resized(int col, int width);

    WatchGrid& grid_;
    std::array<int, 5> drawn_twips_;
    int drawn_grid_width_twips_;
    std::array<int, 5> dragged_{};
    bool fitting_ = false;
};

}  // namespace halvane::qt
