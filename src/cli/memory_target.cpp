#include "cli/memory_target.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "grid/grid_rules.h"
#include "grid/watch_table.h"
#include "text/hex_digits.h"

namespace halvane::cli {

namespace {

constexpr std::size_t kAddressDigits = 4;
constexpr std::string_view kWordSuffix = ":w";

}  // namespace

std::optional<MemoryTarget> address_target(std::string_view what) {
    const bool word = what.size() == kAddressDigits + kWordSuffix.size() &&
                      what.substr(kAddressDigits) == kWordSuffix;
    const std::string_view digits = what.substr(0, kAddressDigits);
    if ((what.size() != kAddressDigits && !word) || !all_hex_digits(digits)) return std::nullopt;
    const std::optional<std::uint32_t> address = hex_value(digits);
    if (!address) return std::nullopt;
    return MemoryTarget{std::string(what), static_cast<std::uint16_t>(*address), word};
}

std::optional<std::pair<std::string, std::string>> split_assignment(std::string_view operand) {
    const std::size_t equals = operand.rfind('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return std::pair{std::string(operand.substr(0, equals)),
                     std::string(operand.substr(equals + 1))};
}

std::optional<std::string> value_digits(std::string_view value, bool word, bool decimal) {
    const std::size_t digits = word ? 4 : 2;
    if (!decimal) {
        if (value.size() != digits || !all_hex_digits(value)) return std::nullopt;
        return to_upper_ascii(value);
    }
    unsigned number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
        number > (word ? 0xFFFFu : 0xFFu)) {
        return std::nullopt;
    }
    return hex_text(number, digits);
}

void fill_target_rows(std::span<const MemoryTarget> targets, WatchTable& table) {
    int row = 1;
    for (const MemoryTarget& target : targets) {
        if (row >= WatchTable::kRows) break;
        table.set_text(row, kAddressCol, hex_text(target.address, kAddressDigits));
        table.set_text(row, kDescriptionCol, target.name);
        table.set_text(row, kFlagCol, target.word ? "WD" : "D");
        ++row;
    }
}

std::string reading_line(const MemoryTarget& target, const std::optional<ColumnReading>& reading) {
    std::string line = target.name + '\t' + hex_text(target.address, kAddressDigits) + '\t';
    if (reading)
        line += reading->hex_text + '\t' + std::to_string(reading->value);
    else
        line += '\t';
    return line + '\n';
}

std::string no_reply_text(std::span<const std::string> silent, std::size_t total) {
    if (silent.size() == total) {
        const std::string reads =
            total > 1 ? " to any of the " + std::to_string(total) + " reads" : std::string();
        return "no reply from the board" + reads + " (does a program with its responder run?)";
    }
    std::string names;
    for (const std::string& name : silent) names += (names.empty() ? "" : ", ") + name;
    return "no reply from the board for " + names + " (" + std::to_string(silent.size()) + " of " +
           std::to_string(total) + " reads)";
}

ColumnReading column_reading(const WatchTable& table, int row) {
    const RowReading& reading = table.reading(row);
    return ColumnReading{reading.digits, reading.value.value_or(0)};
}

}  // namespace halvane::cli
