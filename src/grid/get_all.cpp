#include "grid/get_all.h"

#include <utility>

#include "grid/grid_rules.h"

namespace halvane {

// Shared with the row in flight, which may end after Get All was dropped (File > Open lets
// that row finish).
struct GetAllRows::Progress {
    RowOperation::Done row_done;
    Finished finished_callback;
    int first_invalid_row = 0;
    bool finished = false;

    void end(bool completed) {
        if (finished) return;
        finished = true;
        if (finished_callback) finished_callback(first_invalid_row, completed);
    }
};

GetAllRows::GetAllRows(GridView& grid, RowOperation::Done row_done, Finished finished)
    : grid_(grid),
      progress_(std::make_shared<Progress>(Progress{std::move(row_done), std::move(finished)})) {}

GetAllRows::~GetAllRows() = default;

bool GetAllRows::finished() const {
    return progress_->finished;
}

void GetAllRows::dropped() {
    progress_->end(false);
}

std::unique_ptr<LineJob> GetAllRows::next_job(std::int64_t /*now_ns*/,
                                              std::int64_t& /*retry_at_ns*/) {
    while (!progress_->finished && next_row_ < GridView::kRows) {
        const int row = next_row_++;
        const std::string cell = grid_.text(row, kAddressCol);
        if (cell.empty()) continue;
        const std::optional<std::string> address = request_address(cell);
        if (!address) {
            if (progress_->first_invalid_row == 0) progress_->first_invalid_row = row;
            continue;
        }
        grid_.set_row(row);
        grid_.set_col(kAddressCol);
        RowRequest request{row, *address, is_word_row(grid_.text(row, kFlagCol)), std::nullopt};
        return std::make_unique<RowOperation>(std::move(request),
                                              [progress = progress_](const RowResult& result) {
                                                  progress->row_done(result);
                                                  // A row without reply (or a lost port) ends Get
                                                  // All there.
                                                  if (result.outcome != RowResult::Outcome::kOk)
                                                      progress->end(false);
                                              });
    }
    progress_->end(true);
    return nullptr;
}

}  // namespace halvane
