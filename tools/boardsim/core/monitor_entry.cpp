#include "core/monitor_entry.h"

#include "core/instruction_length.h"
#include "core/monitor_text.h"

namespace boardsim {
namespace {

constexpr std::uint8_t kJmpExtended = 0x7E;
constexpr std::uint16_t kSwiEntry = hc11::board_map::MONITOR_ROM | (hc11::vector::SWI & 0xFFu);
constexpr std::uint16_t kIllegalOpcodeEntry =
    hc11::board_map::MONITOR_ROM | (hc11::vector::ILLEGAL_OPCODE & 0xFFu);

bool is_jump_table_slot(std::uint16_t address) {
    const std::uint16_t first = hc11::pseudo_vector_for(hc11::vector::FIRST);
    const std::uint16_t last = hc11::pseudo_vector_for(hc11::vector::RESET - 2);
    return address >= first && address <= last && (address - first) % 3 == 0;
}

// An entry through an interrupt vector (SWI, the illegal-opcode trap, an interrupt without a
// handler) has stacked the program's registers.
bool entered_through_vector(std::uint16_t entry) {
    const unsigned low = entry & 0xFFu;
    return (entry & 0xFF00) == hc11::board_map::MONITOR_ROM &&
           low >= (hc11::vector::FIRST & 0xFFu) && low <= (hc11::vector::ILLEGAL_OPCODE & 0xFFu) &&
           low % 2 == 0;
}

bool interrupt_due(const hc11::Board& processor) {
    return processor.cpu().pending_vector() != 0 &&
           (processor.cpu().regs().ccr & hc11::ccr::I) == 0;
}

}  // namespace

std::optional<std::uint16_t> monitor_entry(const hc11::Board& processor) {
    const std::uint16_t pc = processor.cpu().regs().pc;
    if (pc >= hc11::board_map::MONITOR_ROM) return pc;
    if (!is_jump_table_slot(pc) || processor.read(pc) != kJmpExtended) return std::nullopt;
    const auto target =
        static_cast<std::uint16_t>(processor.read(static_cast<std::uint16_t>(pc + 1)) << 8 |
                                   processor.read(static_cast<std::uint16_t>(pc + 2)));
    if (target < hc11::board_map::MONITOR_ROM) return std::nullopt;
    return target;
}

std::string take_over(hc11::Board& processor, std::uint16_t entry) {
    hc11::Registers& r = processor.regs();
    const std::string what = hc11::describe_monitor_entry(entry);
    if (!entered_through_vector(entry)) {
        r.pc = entry;
        return what;
    }
    // CCR, B, A, X, Y, PC upwards from SP+1, as the interrupt sequence stacked them.
    auto stacked = [&](unsigned offset) {
        return processor.read(static_cast<std::uint16_t>(r.sp + offset));
    };
    auto stacked16 = [&](unsigned offset) {
        return static_cast<std::uint16_t>(stacked(offset) << 8 | stacked(offset + 1));
    };
    hc11::Registers program;
    program.ccr = stacked(1);
    program.b = stacked(2);
    program.a = stacked(3);
    program.x = stacked16(4);
    program.y = stacked16(6);
    program.pc = stacked16(8);
    program.sp = static_cast<std::uint16_t>(r.sp + 9);
    // SWI stacks the address after itself; the trap and interrupts stack where the program was.
    if (entry == kSwiEntry) --program.pc;
    r = program;
    if (entry == kSwiEntry) return "";
    const std::string where = monitor_text::hex4(program.pc);
    return entry == kIllegalOpcodeEntry ? what + " at " + where
                                        : what + " (the program was at " + where + ")";
}

TraceStep trace_step(hc11::Board& processor) {
    TraceStep step;
    if (interrupt_due(processor)) processor.run_cycles(1);
    if ((step.entry = monitor_entry(processor))) return step;
    const std::uint16_t pc = processor.regs().pc;
    const unsigned length =
        instruction_length(processor.read(pc), processor.read(static_cast<std::uint16_t>(pc + 1)));
    for (unsigned i = 0; i < length; ++i) {
        step.instruction.push_back(processor.read(static_cast<std::uint16_t>(pc + i)));
    }
    if (processor.run_cycles(1).reason == hc11::StopReason::stop_instruction ||
        processor.cpu().state() == hc11::CpuState::stopped) {
        step.halted = true;
        return step;
    }
    step.entry = monitor_entry(processor);
    return step;
}

}  // namespace boardsim
