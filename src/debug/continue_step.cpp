#include "debug/continue_step.h"

#include <algorithm>

#include "debug/armed_reads.h"
#include "link/monitor_dialogue.h"

namespace halvane {

std::string ContinueStep::command() const {
    switch (kind) {
        case Kind::kProceed:
            return monitor::proceed_command();
        case Kind::kGoFromNext:
            // An SWI is one byte long: the next instruction follows it at once.
            return monitor::go_command(static_cast<std::uint16_t>(pc + 1));
        case Kind::kGo:
            break;
    }
    return monitor::go_command(std::nullopt);
}

ContinueStep continue_step(std::uint16_t pc, std::span<const std::uint16_t> table,
                           const ProgramImage& program) {
    if (std::find(table.begin(), table.end(), pc) != table.end())
        return {ContinueStep::Kind::kProceed, pc};
    if (program.byte_at(pc) == kSwiOpcode) return {ContinueStep::Kind::kGoFromNext, pc};
    return {ContinueStep::Kind::kGo, pc};
}

}  // namespace halvane
