#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "debug/debug_program.h"
#include "notify/signal.h"
#include "symbols/listing_address_map.h"

namespace halvane {

// A breakpoint of the program.
struct Breakpoint {
    std::uint16_t address = 0;
    // The line of source it belongs to, so that a rebuild that moves the line moves it too; none
    // for one set by an address where no line of code starts (a program without line
    // information).
    std::optional<SourcePosition> source;
    // The listing line that shows it; none where the listing shows no line of code there.
    std::optional<int> listing_line;

    friend bool operator==(const Breakpoint&, const Breakpoint&) = default;
};

// The program's breakpoints: the table the board's monitor holds, which has room for four. They
// are set and cleared by listing line or by address, belong to the program they were set in and
// come back whenever it is used again. Run to Line adds a temporary one, which goes when the
// program stops, whatever stopped it. A change that is refused leaves everything as it was and
// says why in a status text.
class BreakpointList {
  public:
    static constexpr std::size_t kTableSize = 4;
    // Why nothing changed, as the status line shows it; none when the change was made.
    using Refusal = std::optional<std::string>;

    // The program on the board from now on, downloaded or about to be. The breakpoints it had
    // when it was last used come back at the addresses its map now gives their lines, so a
    // rebuild that moved a line moves its breakpoint; a line that lost its code loses it. The
    // breakpoints of the program used before are kept for it. The temporary one goes.
    void use_program(std::shared_ptr<const DebugProgram> program);
    // The program in use; none before the first.
    const DebugProgram* program() const { return program_.get(); }

    // Sets a breakpoint on a line of code of the listing, or clears the one it has.
    Refusal toggle_line(int listing_line);
    // Sets one at `address` (Board > Breakpoints...); one that is there already stays.
    Refusal add_address(std::uint16_t address);
    // The same at a symbol of the program by its name, or at an address of 1 to 4 hexadecimal
    // digits; the symbol wins where a name is also a number ("add").
    Refusal add(std::string_view symbol_or_address);
    void remove(std::uint16_t address);

    // Run to Line: a temporary breakpoint on a line of code, replacing an earlier one; nothing
    // is added where a breakpoint is set already.
    Refusal run_to_line(int listing_line);
    // The program stopped, whatever stopped it: the temporary breakpoint goes.
    void program_stopped();

    // In the order they were set.
    const std::vector<Breakpoint>& breakpoints() const { return breakpoints_; }
    std::optional<std::uint16_t> temporary() const { return temporary_; }
    // Every address the monitor's table must hold: the breakpoints, then the temporary one.
    std::vector<std::uint16_t> table() const;
    // The monitor commands that write the table: `br -`, then `br A B ...` when it holds any.
    std::vector<std::string> table_commands() const;
    // The listing lines that show a breakpoint (not the temporary one), in order.
    std::vector<int> marked_lines() const;

    // Told whenever the table or the marked lines change.
    Signal<> changed;

  private:
    // Where a breakpoint at `address` belongs, placed by the program's map.
    Breakpoint placed_at(std::uint16_t address) const;
    // Why a line or an address cannot take a breakpoint; none where it can.
    Refusal line_refusal(int listing_line) const;
    Refusal address_refusal(std::uint16_t address) const;
    // A kept breakpoint in the program now in use; none where its line lost its code.
    std::optional<Breakpoint> placed_again(const Breakpoint& kept) const;
    bool holds(std::uint16_t address) const;
    void tell_if_changed(const std::vector<std::uint16_t>& table_before,
                         const std::vector<int>& marks_before);

    std::shared_ptr<const DebugProgram> program_;
    std::vector<Breakpoint> breakpoints_;
    std::optional<std::uint16_t> temporary_;
    // The breakpoints of the programs used before, by their names.
    std::map<std::string, std::vector<Breakpoint>> kept_;
};

}  // namespace halvane
