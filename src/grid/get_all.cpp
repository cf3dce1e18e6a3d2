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

GetAllRows::GetAllRows(WatchTable& table, RowOperation::Done row_done, Finished finished)
    : table_(table),
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
    while (!progress_->finished && next_row_ < WatchTable::kRows) {
        const int row = next_row_++;
        if (table_.text(row, kAddressCol).empty()) continue;
        const std::optional<std::uint16_t> address = table_.address(row);
        if (!address) {
            if (progress_->first_invalid_row == 0) progress_->first_invalid_row = row;
            continue;
        }
        table_.set_row(row);
        table_.set_col(kAddressCol);
        RowRequest request{row,  table_.variable(row), *address, table_.word(row), std::nullopt,
                           false};
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
