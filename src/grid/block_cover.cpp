#include "grid/block_cover.h"

#include <algorithm>

#include "link/wire_protocol.h"

namespace halvane {

namespace {
constexpr long kRegistersFirst = 0x1000;
constexpr long kRegistersEnd = 0x1040;
constexpr long kLargestGap = 8;

bool touches_registers(long start, long end) {
    return start < kRegistersEnd && end > kRegistersFirst;
}

// A row that must stand alone: registers are read only as asked for, and a block does not
// bridge the wrap from FFFF to 0000 for several rows.
bool alone(long start, long end) {
    return touches_registers(start, end) || end > 0x10000;
}
}  // namespace

std::size_t first_block(std::span<const CoveredRow> rows, BlockSpan& span) {
    if (rows.empty()) return 0;
    long start = rows[0].address;
    long end = start + static_cast<long>(rows[0].size);
    std::size_t taken = 1;
    if (!alone(start, end)) {
        for (; taken < rows.size(); ++taken) {
            const long row_start = rows[taken].address;
            const long row_end = row_start + static_cast<long>(rows[taken].size);
            if (alone(row_start, row_end)) break;
            const long gap = row_start >= end ? row_start - end : std::max(0L, start - row_end);
            const long new_start = std::min(start, row_start);
            const long new_end = std::max(end, row_end);
            if (gap > kLargestGap || new_end - new_start > long{wire::kMaxBlockBytes} ||
                touches_registers(new_start, new_end))
                break;
            start = new_start;
            end = new_end;
        }
    }
    span = {static_cast<std::uint16_t>(start), static_cast<std::size_t>(end - start)};
    return taken;
}

std::unique_ptr<RowOperation> read_first_rows(std::span<const RowRequest> rows, bool block_reads,
                                              RowOperation::Done done, std::size_t& taken) {
    taken = 0;
    if (rows.empty()) return nullptr;
    if (!block_reads) {
        taken = 1;
        return std::make_unique<RowOperation>(rows.front(), std::move(done));
    }
    std::vector<CoveredRow> covered;
    covered.reserve(rows.size());
    for (const RowRequest& row : rows) covered.push_back({row.address, row.word ? 2u : 1u});
    BlockSpan span;
    taken = first_block(covered, span);
    return std::make_unique<RowOperation>(
        std::vector<RowRequest>(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(taken)),
        span, std::move(done));
}

}  // namespace halvane
