#include "grid/block_cover.h"

#include <algorithm>
#include <array>

#include "link/wire_protocol.h"

namespace halvane {

namespace {
constexpr long kLargestGap = 8;

// The registers whose reading changes the chip's state: reading SCSR then SCDR clears the SCI's
// flags and takes its received character (the responder's own), SPSR then SPDR the SPI's, and
// PORTCL clears the strobe flag of port C. Their rows are read exactly as asked, on their own.
constexpr std::array<long, 5> kReadsChangeState = {0x1005, 0x1029, 0x102A, 0x102E, 0x102F};

bool covers_state_changing_register(long start, long end) {
    return std::any_of(kReadsChangeState.begin(), kReadsChangeState.end(),
                       [&](long address) { return address >= start && address < end; });
}

// A row that must stand alone: one that reads a state-changing register, and one that runs past
// FFFF (a block does not bridge the wrap to 0000 for several rows).
bool alone(long start, long end) {
    return covers_state_changing_register(start, end) || end > 0x10000;
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
                covers_state_changing_register(new_start, new_end))
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
