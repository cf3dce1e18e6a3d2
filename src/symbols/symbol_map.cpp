#include "symbols/symbol_map.h"

#include <array>

#include "platform/grid_view.h"
#include "symbols/elf_symbols.h"
#include "symbols/symbol_rows.h"
#include "varmap/map_encoding.h"
#include "varmap/map_format.h"

namespace halvane {

namespace {

// The grid's cells without a window: what the map is made in.
class MapCells : public GridView {
  public:
    std::string text(int row, int col) const override { return cells_.at(index(row, col)); }
    void set_text(int row, int col, std::string_view text) override {
        cells_.at(index(row, col)) = std::string(text);
    }
    int row() const override { return 1; }
    int col() const override { return 0; }
    void set_row(int) override {}
    void set_col(int) override {}
    void set_col_width_twips(int, int) override {}

    const std::array<std::string, kMapFields>& cells() const { return cells_; }

  private:
    static std::size_t index(int row, int col) {
        return static_cast<std::size_t>(row) * kMapFieldsPerRow + static_cast<std::size_t>(col);
    }
    std::array<std::string, kMapFields> cells_{};
};

}  // namespace

SymbolMap map_from_symbols(const std::string& elf_path, bool with_code) {
    const SymbolFile file = read_program_symbols(elf_path);
    SymbolMap result;
    if (!file.ok()) {
        result.error_text = file.error_text;
        return result;
    }
    std::vector<ProgramSymbol> chosen;
    for (const ProgramSymbol& symbol : file.symbols) {
        if (with_code || !symbol.in_code) chosen.push_back(symbol);
    }
    if (chosen.empty()) {
        result.error_text = no_data_symbols_text(elf_path);
        if (!file.symbols.empty())
            result.error_text += " (--all-symbols adds the " + std::to_string(file.symbols.size()) +
                                 " in code sections)";
        return result;
    }

    MapCells grid;
    for (int col = 0; col < GridView::kCols; ++col) grid.set_text(0, col, kMapHeadings[col]);
    result.left_out = place_symbols(chosen, grid).left_out;
    result.text = map_file_bytes(format_map(grid.cells()));
    result.ok = true;
    return result;
}

}  // namespace halvane
