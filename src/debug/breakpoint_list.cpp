#include "debug/breakpoint_list.h"

#include <algorithm>
#include <utility>

#include "link/monitor_dialogue.h"
#include "status/status_texts.h"
#include "text/hex_digits.h"

namespace halvane {

namespace {

std::string joined(std::string_view first, std::string_view second) {
    return std::string(first) + std::string(second);
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

void BreakpointList::use_program(std::shared_ptr<const DebugProgram> program) {
    const auto table_before = table();
    const auto marks_before = marked_lines();
    // Breakpoints set before any program was used belong to the first one.
    std::vector<Breakpoint> wanted;
    if (program_) {
        kept_[program_->name] = std::move(breakpoints_);
    } else {
        wanted = std::move(breakpoints_);
    }
    program_ = std::move(program);
    if (program_) {
        if (const auto kept = kept_.find(program_->name); kept != kept_.end())
            wanted = kept->second;
    }
    breakpoints_.clear();
    temporary_.reset();
    for (const Breakpoint& breakpoint : wanted) {
        const auto placed = placed_again(breakpoint);
        if (placed && !holds(placed->address) && breakpoints_.size() < kTableSize)
            breakpoints_.push_back(*placed);
    }
    tell_if_changed(table_before, marks_before);
}

BreakpointList::Refusal BreakpointList::toggle_line(int listing_line) {
    if (Refusal refusal = line_refusal(listing_line)) return refusal;
    const std::uint16_t address = *program_->map.address_of(listing_line);
    if (holds(address)) {
        remove(address);
        return std::nullopt;
    }
    return add_address(address);
}

BreakpointList::Refusal BreakpointList::add_address(std::uint16_t address) {
    if (holds(address)) return std::nullopt;
    if (Refusal refusal = address_refusal(address)) return refusal;
    // A temporary breakpoint at the same address takes no place of its own while this one holds
    // it (and stays, so that it still stops the program if this one goes first).
    const bool temporary_elsewhere = temporary_ && *temporary_ != address;
    if (breakpoints_.size() + (temporary_elsewhere ? 1 : 0) >= kTableSize)
        return std::string(texts::kBreakpointTableFull);
    const auto table_before = table();
    const auto marks_before = marked_lines();
    breakpoints_.push_back(placed_at(address));
    tell_if_changed(table_before, marks_before);
    return std::nullopt;
}

BreakpointList::Refusal BreakpointList::add(std::string_view symbol_or_address) {
    const std::string_view wanted = trimmed(symbol_or_address);
    if (wanted.empty())
        return joined(texts::kNoBreakpointThere, "give an address or a symbol of the program");
    if (program_) {
        const auto& symbols = program_->symbols;
        const auto symbol = std::find_if(symbols.begin(), symbols.end(),
                                         [&](const ProgramSymbol& s) { return s.name == wanted; });
        if (symbol != symbols.end()) {
            if (!symbol->in_code)
                return joined(texts::kNoBreakpointOnData,
                              symbol->name + " is a variable, not code");
            return add_address(symbol->address);
        }
    }
    const auto address = hex_value(wanted);
    if (wanted.size() <= 4 && address) return add_address(static_cast<std::uint16_t>(*address));
    return joined(texts::kNoBreakpointThere,
                  std::string(wanted) + " is neither an address nor a symbol of the program");
}

void BreakpointList::remove(std::uint16_t address) {
    const auto table_before = table();
    const auto marks_before = marked_lines();
    std::erase_if(breakpoints_, [address](const Breakpoint& b) { return b.address == address; });
    tell_if_changed(table_before, marks_before);
}

BreakpointList::Refusal BreakpointList::run_to_line(int listing_line) {
    if (Refusal refusal = line_refusal(listing_line)) return refusal;
    const std::uint16_t address = *program_->map.address_of(listing_line);
    // The program stops there anyway.
    if (holds(address)) return std::nullopt;
    if (breakpoints_.size() >= kTableSize) return std::string(texts::kRunToLineTableFull);
    const auto table_before = table();
    temporary_ = address;
    tell_if_changed(table_before, marked_lines());
    return std::nullopt;
}

void BreakpointList::program_stopped() {
    if (!temporary_) return;
    const auto table_before = table();
    temporary_.reset();
    tell_if_changed(table_before, marked_lines());
}

std::vector<std::uint16_t> BreakpointList::table() const {
    std::vector<std::uint16_t> addresses;
    addresses.reserve(kTableSize);
    for (const Breakpoint& breakpoint : breakpoints_) addresses.push_back(breakpoint.address);
    if (temporary_ && !holds(*temporary_)) addresses.push_back(*temporary_);
    return addresses;
}

std::vector<std::string> BreakpointList::table_commands() const {
    std::vector<std::string> commands = {monitor::clear_breakpoints_command()};
    const auto addresses = table();
    if (!addresses.empty()) commands.push_back(monitor::set_breakpoints_command(addresses));
    return commands;
}

std::vector<int> BreakpointList::marked_lines() const {
    std::vector<int> lines;
    for (const Breakpoint& breakpoint : breakpoints_) {
        if (breakpoint.listing_line) lines.push_back(*breakpoint.listing_line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

Breakpoint BreakpointList::placed_at(std::uint16_t address) const {
    Breakpoint breakpoint{address, std::nullopt, std::nullopt};
    if (!program_) return breakpoint;
    const ListingAddressMap& map = program_->map;
    if (const auto line = map.line_of(address); line && map.address_of(*line) == address) {
        breakpoint.listing_line = line;
        breakpoint.source = map.source_of(*line);
    }
    return breakpoint;
}

BreakpointList::Refusal BreakpointList::line_refusal(int listing_line) const {
    if (!program_) return joined(texts::kNoBreakpointByLine, texts::kNoProgramOpened);
    const ListingAddressMap& map = program_->map;
    if (map.empty()) return joined(texts::kNoBreakpointByLine, map.reason());
    if (map.included_file(listing_line)) return std::string(texts::kNoBreakpointInResponder);
    if (!map.address_of(listing_line)) return std::string(texts::kNoCodeOnLine);
    return std::nullopt;
}

BreakpointList::Refusal BreakpointList::address_refusal(std::uint16_t address) const {
    if (!program_) return std::nullopt;
    const ListingAddressMap& map = program_->map;
    const auto line = map.line_of(address);
    // Code the listing does not show (another module, the monitor's ROM) is the user's call.
    if (!line) return std::nullopt;
    if (map.included_file(*line)) return std::string(texts::kNoBreakpointInResponder);
    const auto start = map.address_of(*line);
    if (start && *start != address) {
        // The monitor's SWI would replace a byte of the instruction's operand.
        return joined(texts::kNoBreakpointInsideInstruction,
                      hex_text(address, 4) + " is inside the one at " + hex_text(*start, 4));
    }
    return std::nullopt;
}

std::optional<Breakpoint> BreakpointList::placed_again(const Breakpoint& kept) const {
    if (!program_ || !kept.source) return placed_at(kept.address);
    const ListingAddressMap& map = program_->map;
    const auto line = map.listing_line_of(*kept.source);
    const auto address = line ? map.address_of(*line) : std::nullopt;
    if (!address) return std::nullopt;
    return Breakpoint{*address, kept.source, line};
}

bool BreakpointList::holds(std::uint16_t address) const {
    return std::any_of(breakpoints_.begin(), breakpoints_.end(),
                       [address](const Breakpoint& b) { return b.address == address; });
}

void BreakpointList::tell_if_changed(const std::vector<std::uint16_t>& table_before,
                                     const std::vector<int>& marks_before) {
    if (table() != table_before || marked_lines() != marks_before) changed.notify();
}

}  // namespace halvane
