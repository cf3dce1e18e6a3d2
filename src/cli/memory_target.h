#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "grid/watch_table.h"
#include "watch/sweep_recorder.h"

namespace halvane::cli {

// A memory location a command reads, writes or watches: what a grid row holds.
struct MemoryTarget {
    std::string name;  // as the output shows it: the WHAT as written, or a row's name
    std::uint16_t address = 0;
    bool word = false;  // high byte at `address`, low byte at the next address

    bool operator==(const MemoryTarget&) const = default;
};

// A WHAT that is an address: exactly four hexadecimal digits (the byte there), or four and
// ":w" (the word there). Nothing for anything else, which is a name.
std::optional<MemoryTarget> address_target(std::string_view what);

// WHAT=VALUE split at the last "=", so that a name may hold one; nothing without an "=".
std::optional<std::pair<std::string, std::string>> split_assignment(std::string_view operand);

// The digits to write for VALUE, upper case: exactly two hexadecimal digits for a byte or four
// for a word, or with `decimal` a decimal number that fits (0 to 255, 0 to 65535). Nothing
// when VALUE is anything else.
std::optional<std::string> value_digits(std::string_view value, bool word, bool decimal);

// A grid holds 99 rows, so a command takes at most this many targets at once.
inline constexpr std::size_t kMaxTargets = WatchTable::kRows - 1;

// Fills rows 1 on of `table` with one target each, as a user would type them: the address,
// the name as the Description, and the Flag "WD" for a word, "D" for a byte.
void fill_target_rows(std::span<const MemoryTarget> targets, WatchTable& table);

// The line read and write print for a target, ending in a newline: its name, its address, the
// hexadecimal and the decimal value, separated by tabs; both values empty without a reading.
std::string reading_line(const MemoryTarget& target, const std::optional<ColumnReading>& reading);

// The error line's text when `silent` (names) of `total` targets got no reply.
std::string no_reply_text(std::span<const std::string> silent, std::size_t total);

// The reading a row's reply left in `table`, as a recording shows it.
ColumnReading column_reading(const WatchTable& table, int row);

}  // namespace halvane::cli
