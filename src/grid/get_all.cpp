#include "grid/get_all.h"

#include <utility>

#include "grid/grid_rules.h"

namespace halvane {

GetAllRows::GetAllRows(GridView& grid, RowOperation::Done row_done, Finished finished)
    : grid_(grid), row_done_(std::move(row_done)), finished_callback_(std::move(finished)) {}

std::unique_ptr<LineJob> GetAllRows::next_job(std::int64_t /*now_ns*/,
                                              std::int64_t& /*retry_at_ns*/) {
    while (!finished_ && next_row_ < GridView::kRows) {
        const int row = next_row_++;
        const std::string cell = grid_.text(row, kAddressCol);
        if (cell.empty()) continue;
        const std::optional<std::string> address = request_address(cell);
        if (!address) {
            if (first_invalid_row_ == 0) first_invalid_row_ = row;
            continue;
        }
        grid_.set_row(row);
        grid_.set_col(kAddressCol);
        RowRequest request{row, *address, is_word_row(grid_.text(row, kFlagCol)), std::nullopt};
        return std::make_unique<RowOperation>(std::move(request),
                                              [this](const RowResult& r) { row_done(r); });
    }
    end(true);
    return nullptr;
}

void GetAllRows::row_done(const RowResult& result) {
    row_done_(result);
    if (result.outcome != RowResult::Outcome::kOk) end(false);
}

void GetAllRows::end(bool completed) {
    if (finished_) return;
    finished_ = true;
    if (finished_callback_) finished_callback_(first_invalid_row_, completed);
}

}  // namespace halvane
