#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace halvane {

// A breakpoint as Board > Breakpoints... lists it.
struct BreakpointRow {
    std::string place;    // "counter.s:43", or the address for one set where no line starts
    std::string address;  // "2424"
    std::string symbol;   // where that is by the program's symbols ("main_loop+9"), or empty

    friend bool operator==(const BreakpointRow&, const BreakpointRow&) = default;
};

// What the list of breakpoints does with the user's requests while it is open.
class BreakpointRequests {
  public:
    virtual ~BreakpointRequests() = default;
    virtual std::vector<BreakpointRow> rows() const = 0;
    // An address or a symbol name as typed. Returns why none was added, empty when one was.
    virtual std::string add(std::string_view symbol_or_address) = 0;
    // The breakpoint of `rows()[row]`.
    virtual void remove(std::size_t row) = 0;
};

// Board > Breakpoints...: the modal list of the breakpoints, a line to type an address or a
// symbol into with a button that adds it, and one that removes the selected breakpoint.
class BreakpointEditor {
  public:
    virtual ~BreakpointEditor() = default;
    // Shows the list until the user closes it; each request goes to `requests` at once, and the
    // list then shows its rows again.
    virtual void edit(BreakpointRequests& requests) = 0;
};

}  // namespace halvane
