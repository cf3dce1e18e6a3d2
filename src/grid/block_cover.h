#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "grid/row_operation.h"

namespace halvane {

// A row's bytes, for covering rows with block reads.
struct CoveredRow {
    std::uint16_t address = 0;
    std::size_t size = 1;  // 1 for a byte, 2 for a word
};

// How many of `rows` (in the grid's order, the first always) one block read covers, with the
// block's span. Rows share a block while their bytes lie within 8 bytes of each other and the
// block stays within 32 bytes; the bytes between them are read too, registers included, except
// the five whose reading changes the chip's state (PORTCL 1005, SPSR 1029, SPDR 102A, SCSR 102E,
// SCDR 102F). A block never covers one of those unless it is a block of one row's own bytes
// alone: a row with such a byte, or one running past FFFF, is read on its own.
std::size_t first_block(std::span<const CoveredRow> rows, BlockSpan& span);

// The operation that reads the first of `rows` (rows to read, in the grid's order): with block
// reads together with the rows that share its block, otherwise alone. `taken` says how many of
// `rows` it reads.
std::unique_ptr<RowOperation> read_first_rows(std::span<const RowRequest> rows, bool block_reads,
                                              RowOperation::Done done, std::size_t& taken);

}  // namespace halvane
