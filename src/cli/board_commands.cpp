#include "cli/board_commands.h"

#include <utility>
#include <vector>

#include "cli/debug_commands.h"
#include "cli/download_command.h"
#include "cli/monitor_command.h"
#include "cli/program_file_verdict.h"
#include "cli/read_command.h"
#include "cli/watch_command.h"
#include "cli/write_command.h"
#include "symbols/elf_symbols.h"
#include "text/hex_digits.h"

namespace halvane::cli {

namespace {

// download: a file with problems goes only with --force, and then with a warning.
bool program_file_accepted(const Arguments& arguments, Console& console) {
    const std::string& path = arguments.operands.front();
    const ProgramFileVerdict verdict = judge_program_file(path);
    if (!verdict.unreadable.empty()) {
        console.error(path + ": " + verdict.unreadable);
        return false;
    }
    if (verdict.problems.empty()) return true;
    std::string found;
    for (const std::string& problem : verdict.problems)
        found += (found.empty() ? "" : ", ") + problem;
    if (!arguments.force) {
        console.error(path + ": " + found + " (--force sends it anyway)");
        return false;
    }
    console.error("warning: " + path + ": " + found + "; sent as it is (--force)");
    return true;
}

// run-to's WHAT: a symbol of the program given with --elf, else an address of 1 to 4
// hexadecimal digits.
std::optional<std::uint16_t> run_to_address(const Arguments& arguments, Console& console) {
    const std::string& what = arguments.operands.front();
    if (arguments.elf_path) {
        const SymbolFile file = read_program_symbols(*arguments.elf_path);
        if (!file.ok()) {
            console.error(*arguments.elf_path + ": " + file.error_text);
            return std::nullopt;
        }
        for (const ProgramSymbol& symbol : file.symbols) {
            if (symbol.name == what) return symbol.address;
        }
    }
    const auto value = hex_value(what);
    if (!what.empty() && what.size() <= 4 && value) return static_cast<std::uint16_t>(*value);
    console.error(what + (arguments.elf_path
                              ? " is neither an address nor a symbol of " + *arguments.elf_path
                              : " is not an address (a symbol needs --elf)"));
    return std::nullopt;
}

}  // namespace

PreparedCommand prepare_board_command(const Arguments& arguments, Console& console) {
    PreparedCommand prepared;
    if (arguments.command == Command::kDownload) {
        prepared.ok = program_file_accepted(arguments, console);
        return prepared;
    }
    if (arguments.command == Command::kMonitor || arguments.command == Command::kRegisters) {
        prepared.ok = true;
        return prepared;
    }
    if (arguments.command == Command::kRunTo) {
        const auto address = run_to_address(arguments, console);
        prepared.ok = address.has_value();
        prepared.address = address.value_or(0);
        return prepared;
    }
    prepared.targets = resolve_targets(arguments);
    for (const std::string& warning : prepared.targets.warnings) console.error(warning);
    if (!prepared.targets.ok()) console.error(prepared.targets.error);
    prepared.ok = prepared.targets.ok();
    return prepared;
}

std::unique_ptr<BoardCommand> make_board_command(const Arguments& arguments,
                                                 PreparedCommand prepared, BoardLink& link,
                                                 Clock& clock, Console& console, bool show_progress,
                                                 BoardCommand::Finished finished) {
    std::vector<MemoryTarget>& targets = prepared.targets.targets;
    switch (arguments.command.value_or(Command::kWatch)) {
        case Command::kDownload:
            return std::make_unique<DownloadCommand>(link, console, arguments.operands.front(),
                                                     show_progress, std::move(finished));
        case Command::kRead:
            return std::make_unique<ReadCommand>(link, clock, console, std::move(targets),
                                                 std::move(finished));
        case Command::kMonitor:
            return std::make_unique<MonitorCommand>(link, console, monitor_line(arguments),
                                                    std::move(finished));
        case Command::kRegisters:
            return std::make_unique<RegistersCommand>(link, console, std::move(finished));
        case Command::kRunTo:
            return std::make_unique<RunToCommand>(link, clock, console, prepared.address,
                                                  arguments.timeout_seconds, std::move(finished));
        case Command::kWrite:
            return std::make_unique<WriteCommand>(link, clock, console, std::move(targets),
                                                  std::move(prepared.targets.values),
                                                  std::move(finished));
        default:
            return std::make_unique<WatchCommand>(
                link, clock, console, std::move(targets),
                WatchPace{arguments.interval_seconds, arguments.duration_seconds, arguments.sweeps},
                std::move(finished));
    }
}

std::string cannot_open_text(const std::string& shown, const SerialPort::OpenResult& opened) {
    std::string text = "Cannot open the serial port " + shown + ": " + opened.error_text;
    if (opened.permission_denied)
        text += " (you must be a member of the group that owns the device, usually dialout)";
    return text;
}

}  // namespace halvane::cli
