#include "grid/get_all.h"

#include <utility>

#include "grid/block_cover.h"
#include "grid/watch_table.h"

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

bool GetAllRows::has_job(std::int64_t /*now_ns*/) const {
    if (progress_->finished) return false;
    for (int row = next_row_; row < WatchTable::kRows; ++row) {
        if (table_.address(row)) return true;
    }
    return false;
}

void GetAllRows::dropped() {
    progress_->end(false);
}

std::unique_ptr<LineJob> GetAllRows::next_job(std::int64_t /*now_ns*/,
                                              std::int64_t& /*retry_at_ns*/, bool block_reads) {
    // The rows still to read, as they stand now; rows without a usable Address are skipped.
    std::vector<RowRequest> rows;
    std::vector<int> first_invalid_after;  // per row: the first invalid row before it, or 0
    int invalid = 0;
    for (int row = next_row_; !progress_->finished && row < WatchTable::kRows; ++row) {
        if (table_.text(row, kAddressCol).empty()) continue;
        const std::optional<std::uint16_t> address = table_.address(row);
        if (!address) {
            if (invalid == 0) invalid = row;
            continue;
        }
        rows.push_back(
            {row, table_.variable(row), *address, table_.word(row), std::nullopt, false});
        first_invalid_after.push_back(invalid);
        // Without block reads only the next row is read now.
        if (!block_reads) break;
    }
    std::size_t taken = 0;
    std::unique_ptr<RowOperation> job = read_first_rows(
        rows, block_reads,
        [progress = progress_](const RowResult& result) {
            progress->row_done(result);
            // A row without reply (or a lost port) ends Get All there.
            if (result.outcome != RowResult::Outcome::kOk) progress->end(false);
        },
        taken);
    if (!job) {
        if (progress_->first_invalid_row == 0) progress_->first_invalid_row = invalid;
        progress_->end(true);
        return nullptr;
    }
    // Invalid rows before the last row read now count; those after it are met again.
    if (progress_->first_invalid_row == 0)
        progress_->first_invalid_row = first_invalid_after[taken - 1];
    next_row_ = rows[taken - 1].row + 1;
    table_.set_row(rows.front().row);
    table_.set_col(kAddressCol);
    return job;
}

}  // namespace halvane
