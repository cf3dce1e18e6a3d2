#include "debug/breakpoints_command.h"

#include <string>

#include "symbols/code_place.h"
#include "text/hex_digits.h"

namespace halvane {

namespace {

std::string place_text(const Breakpoint& breakpoint, const DebugProgram* program) {
    if (!breakpoint.source) return hex_text(breakpoint.address, 4);
    const SourcePosition& source = *breakpoint.source;
    const std::string file = !source.file.empty() ? source.file
                             : program != nullptr ? program->source_name
                                                  : std::string();
    const std::string line = std::to_string(source.line);
    return file.empty() ? "line " + line : file + ":" + line;
}

class ListRequests : public BreakpointRequests {
  public:
    explicit ListRequests(BreakpointList& list) : list_(list) {}

    std::vector<BreakpointRow> rows() const override { return breakpoint_rows(list_); }
    std::string add(std::string_view symbol_or_address) override {
        return list_.add(symbol_or_address).value_or(std::string());
    }
    void remove(std::size_t row) override {
        const auto& breakpoints = list_.breakpoints();
        if (row < breakpoints.size()) list_.remove(breakpoints[row].address);
    }

  private:
    BreakpointList& list_;
};

}  // namespace

std::vector<BreakpointRow> breakpoint_rows(const BreakpointList& list) {
    const DebugProgram* program = list.program();
    std::vector<BreakpointRow> rows;
    for (const Breakpoint& breakpoint : list.breakpoints()) {
        rows.push_back({place_text(breakpoint, program), hex_text(breakpoint.address, 4),
                        program != nullptr ? code_place(program->symbols, breakpoint.address)
                                           : std::string()});
    }
    return rows;
}

void edit_breakpoints(BreakpointList& list, BreakpointEditor& editor) {
    ListRequests requests(list);
    editor.edit(requests);
}

}  // namespace halvane
