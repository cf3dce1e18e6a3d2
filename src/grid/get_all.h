#pragma once

#include <functional>
#include <memory>

#include "grid/row_operation.h"
#include "grid/watch_table.h"
#include "link/line_job.h"

namespace halvane {

// Get All: the cell operation of every row whose Address is not empty, rows 1 to 99 in order,
// one row at a time (or the rows one block or one md shows) so that the user's own operations
// can go in between. Each row is made the
// current one as its turn comes. A row whose Address is not four hexadecimal digits is skipped
// without traffic; a row without a reply ends it (a silent board would otherwise cost a second
// a row).
class GetAllRows : public JobSource {
  public:
    // `first_invalid_row` is 0 when every address was usable; `completed` is false when a row
    // failed or Get All was dropped.
    using Finished = std::function<void(int first_invalid_row, bool completed)>;

    GetAllRows(WatchTable& table, RowOperation::Done row_done, Finished finished);
    ~GetAllRows() override;

    std::unique_ptr<LineJob> next_job(std::int64_t now_ns, std::int64_t& retry_at_ns,
                                      ReadWay way) override;
    bool finished() const override;
    bool has_job(std::int64_t now_ns) const override;
    void dropped() override;

  private:
    struct Progress;

    WatchTable& table_;
    std::shared_ptr<Progress> progress_;
    int next_row_ = 1;
};

}  // namespace halvane
