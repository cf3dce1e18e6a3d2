#pragma once

#include <string>
#include <string_view>

namespace halvane {

// The watch grid `DataGrid`: 100 rows (row 0 the fixed heading row) by 5 columns.
// Its double-click and key-press events go to `Tamrin::DataGrid_DblClick` and
// `Tamrin::DataGrid_KeyPress`.
class GridView {
  public:
    static constexpr int kRows = 100;
    static constexpr int kCols = 5;

    virtual ~GridView() = default;
    virtual std::string text(int row, int col) const = 0;
    virtual void set_text(int row, int col, std::string_view text) = 0;
    virtual int row() const = 0;
    virtual int col() const = 0;
    virtual void set_row(int row) = 0;
    virtual void set_col(int col) = 0;
    virtual void set_col_width_twips(int col, int twips) = 0;
};

}  // namespace halvane
