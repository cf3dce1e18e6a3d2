#pragma once

#include <vector>

#include "debug/breakpoint_list.h"
#include "platform/breakpoint_editor.h"

namespace halvane {

// The rows Board > Breakpoints... shows for the list's breakpoints, in their order.
std::vector<BreakpointRow> breakpoint_rows(const BreakpointList& list);

// Board > Breakpoints...: shows the list in `editor` and changes it as the user asks. A
// refusal is shown in the list itself, where the user typed what was refused.
void edit_breakpoints(BreakpointList& list, BreakpointEditor& editor);

}  // namespace halvane
