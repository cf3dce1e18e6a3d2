// The monitor's commands, as typed at its prompt.
#include <array>
#include <cctype>
#include <optional>

#include "core/monitor.h"
#include "core/monitor_entry.h"
#include "core/monitor_text.h"

namespace boardsim {
namespace {

using Command = CommandLine::Command;
using monitor_text::hex4;

// Keeps only printable characters of a word that goes into an error message.
std::string printable(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 20)) {
        out.push_back(std::isprint(static_cast<unsigned char>(c)) ? c : '?');
    }
    if (text.size() > 20) out += "...";
    return out;
}

// The argument at `index` as a hexadecimal number, when there is one and it is one.
std::optional<std::uint16_t> hex_argument(const CommandLine& line, std::size_t index) {
    if (index >= line.arguments.size()) return std::nullopt;
    return parse_hex_word(line.arguments[index]);
}

}  // namespace

void Monitor::run_command(const std::string& typed, Nanos at) {
    const bool bare = typed.find_first_not_of(" \t") == std::string::npos;
    const std::string line = bare ? previous_command_ : typed;
    const std::optional<CommandLine> parsed = parse_command_line(line);
    if (!parsed) {
        show_prompt(at);
        return;
    }
    previous_command_ = line;
    run_typed(*parsed, at);
}

void Monitor::run_typed(const CommandLine& line, Nanos at) {
    switch (line.command) {
        case Command::kMemoryDisplay:
            memory_display(line, at);
            break;
        case Command::kMemoryModify:
            memory_modify(line, at);
            break;
        case Command::kRegisterModify:
            register_modify(line, at);
            break;
        case Command::kBreakpoints:
            breakpoints(line, at);
            break;
        case Command::kGo:
            go(line, at);
            break;
        case Command::kProceed:
            proceed(line, at);
            break;
        case Command::kTrace:
            trace(line, at);
            break;
        case Command::kStopAt:
            stop_at(line, at);
            break;
        case Command::kHelp:
            print(monitor_text::kHelp, at);
            show_prompt(at);
            break;
        case Command::kLoad:
            load(line, at);
            break;
        case Command::kUnknown:
            error("unknown command \"" + printable(line.word) + "\" (help lists the commands)", at);
            break;
    }
}

void Monitor::error(std::string_view message, Nanos at) {
    print_line("error: " + std::string(message), at);
    show_prompt(at);
}

void Monitor::memory_display(const CommandLine& line, Nanos at) {
    const auto first = hex_argument(line, 0);
    const auto last = line.arguments.size() == 2 ? hex_argument(line, 1) : first;
    if (!first || !last || line.arguments.size() > 2 || *last < *first) {
        error("md takes an address, or two with the second not below the first", at);
        return;
    }
    // Whole lines of 16 bytes, from the line of the first address to that of the second.
    const unsigned end = (*last & 0xFFF0u) + 16;
    for (unsigned start = *first & 0xFFF0u; start < end; start += 16) {
        std::array<std::uint8_t, 16> bytes{};
        for (unsigned i = 0; i < 16; ++i) {
            bytes[i] = processor_.read(static_cast<std::uint16_t>(start + i));
        }
        print_line(monitor_text::dump_line(static_cast<std::uint16_t>(start), bytes), at);
    }
    show_prompt(at);
}

void Monitor::memory_modify(const CommandLine& line, Nanos at) {
    const auto address = hex_argument(line, 0);
    if (!address || line.arguments.size() != 1) {
        error("mm takes one address", at);
        return;
    }
    modify_ = std::make_unique<MemoryModifyPrompt>(processor_, *address);
    state_ = State::kModifying;
    print(modify_->opening(), at);
}

void Monitor::register_modify(const CommandLine& line, Nanos at) {
    const auto first = line.arguments.empty()
                           ? std::optional<std::size_t>(0)
                           : RegisterModifyPrompt::field_named(line.arguments.front());
    if (!first || line.arguments.size() > 1) {
        error("rm takes one of the registers P, Y, X, A, B, C, S", at);
        return;
    }
    modify_ = std::make_unique<RegisterModifyPrompt>(processor_.regs(), *first);
    state_ = State::kModifying;
    print(modify_->opening(), at);
}

void Monitor::breakpoints(const CommandLine& line, Nanos at) {
    // Every argument is checked before the table changes.
    for (const std::string& argument : line.arguments) {
        if (argument == "-") continue;
        const bool removal = argument.starts_with('-');
        const auto address = parse_hex_word(std::string_view(argument).substr(removal ? 1 : 0));
        if (!address) {
            error("br takes addresses to set, -ADDR to remove one, or - to remove all", at);
            return;
        }
        if (!removal && !BreakpointTable::can_hold(*address)) {
            error("no RAM or EEPROM at " + hex4(*address) + " to hold a breakpoint", at);
            return;
        }
    }
    bool full = false;
    for (const std::string& argument : line.arguments) {
        if (argument == "-") {
            breakpoints_.clear();
        } else if (argument.starts_with('-')) {
            breakpoints_.remove(*parse_hex_word(std::string_view(argument).substr(1)));
        } else if (!breakpoints_.add(*parse_hex_word(argument))) {
            full = true;
        }
    }
    if (full) print_line("error: the four breakpoint places are taken", at);
    print_line(breakpoints_.text(), at);
    show_prompt(at);
}

void Monitor::go(const CommandLine& line, Nanos at) {
    const auto address = hex_argument(line, 0);
    if (line.arguments.size() > 1 || (!line.arguments.empty() && !address)) {
        error("go takes an address, or none to go on from P", at);
        return;
    }
    if (address) processor_.regs().pc = *address;
    let_run(at, std::nullopt);
}

void Monitor::proceed(const CommandLine& line, Nanos at) {
    if (!line.arguments.empty()) {
        error("p takes no address: it goes on from P", at);
        return;
    }
    // The instruction at P first, with the breakpoints out of memory, so a breakpoint at P does
    // not stop the program again at once.
    if (trace_one(false, at)) let_run(at, std::nullopt);
}

void Monitor::trace(const CommandLine& line, Nanos at) {
    const auto count =
        line.arguments.empty() ? std::optional<std::uint16_t>(1) : hex_argument(line, 0);
    if (!count || *count == 0 || *count > kMaxTraceCount || line.arguments.size() > 1) {
        error("t takes a count of instructions from 1 to FF", at);
        return;
    }
    for (unsigned i = 0; i < *count; ++i) {
        if (!trace_one(true, at)) return;
        print_registers(at);
    }
    show_prompt(at);
}

void Monitor::stop_at(const CommandLine& line, Nanos at) {
    const auto address = hex_argument(line, 0);
    if (!address || line.arguments.size() != 1) {
        error("stopat takes one address", at);
        return;
    }
    let_run(at, address);
}

void Monitor::load(const CommandLine& line, Nanos at) {
    if (line.arguments != std::vector<std::string>{"t"}) {
        error("only \"load t\" (load from this terminal) is available", at);
        return;
    }
    state_ = State::kLoading;
    load_ = {};
    load_line_number_ = 0;
    load_refused_bytes_ = 0;
    load_line_.clear();
    host_.note("monitor: load t, reading S-records", at);
}

void Monitor::let_run(Nanos at, std::optional<std::uint16_t> stop_at) {
    // A trace to an address runs without breakpoints, as every trace does.
    if (!stop_at) breakpoints_.insert(processor_);
    const std::uint16_t from = processor_.regs().pc;
    processor_.cpu().start_at(from);
    state_ = State::kRunning;
    reset_watch_.clear();
    host_.note(stop_at ? "monitor: tracing from " + hex4(from) + " to " + hex4(*stop_at)
                       : "monitor: go " + hex4(from) + ", program started",
               at);
    program_ = &host_.start_program(at, stop_at);
}

bool Monitor::trace_one(bool print_instruction, Nanos at) {
    const TraceStep step = trace_step(processor_);
    if (print_instruction && !step.instruction.empty()) {
        print_line(monitor_text::instruction_line(step.instruction), at);
    }
    if (step.halted) {
        // STOP: the clocks stand still and nothing answers until a reset, as on the board.
        state_ = State::kRunning;
        reset_watch_.clear();
        program_ = &host_.start_program(at, std::nullopt);
        return false;
    }
    if (step.entry) {
        report_stop(*step.entry, at);
        return false;
    }
    return true;
}

void Monitor::take_over_if_finished() {
    const std::optional<ProgramExit> exit = program_->finished();
    if (!exit) return;
    program_ = nullptr;
    breakpoints_.take_out(processor_);
    last_was_cr_ = false;
    if (exit->reason == ProgramExit::Reason::kMonitorEntry) {
        report_stop(exit->address, exit->at);
        return;
    }
    host_.note("monitor: the trace reached " + hex4(exit->address), exit->at);
    if (!host_.line_at_start()) print(monitor_text::kLineEnd, exit->at);
    print_registers(exit->at);
    show_prompt(exit->at);
}

void Monitor::report_stop(std::uint16_t entry, Nanos at) {
    const std::string why = take_over(processor_, entry);
    const std::string where = hex4(processor_.regs().pc);
    host_.note("monitor: program stopped at " + where + (why.empty() ? " (SWI)" : ": " + why), at);
    if (!host_.line_at_start()) print(monitor_text::kLineEnd, at);
    if (!why.empty()) print_line("program stopped: " + why, at);
    print_registers(at);
    show_prompt(at);
}

void Monitor::print_registers(Nanos at) {
    print_line(monitor_text::register_line(processor_.regs()), at);
}

}  // namespace boardsim
