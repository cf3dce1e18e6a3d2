#include "app/main_window.h"
#include "grid/grid_rules.h"

namespace halvane {

// The grid has no editor of its own: every key edits the end of the current cell.
void Tamrin::DataGrid_KeyPress(int key_ascii) {
    const int row = p_.grid.row();
    const int col = p_.grid.col();
    p_.grid.set_text(row, col, edit_cell_text(p_.grid.text(row, col), key_ascii));
}

}  // namespace halvane
