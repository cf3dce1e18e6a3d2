#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halvane::cli {

inline constexpr std::string_view kProgram = "halvane-cli";

enum class Command {
    kPorts,
    kDownload,
    kRead,
    kWrite,
    kWatch,
    kMapFromSymbols,
    kMonitor,
    kRegisters,
    kRunTo
};

// A command line of halvane-cli, checked: each option belongs to the command it is given to,
// values are well formed, and the command has the operands it needs. The operands themselves
// (WHATs, files) are looked at by whoever uses them.
struct Arguments {
    enum class Request { kRun, kHelp, kVersion };
    Request request = Request::kRun;
    // kRun: the command to run; kHelp: the command whose help is asked for, if any.
    std::optional<Command> command;

    std::optional<std::string> port;
    std::optional<std::string> map_path;
    std::optional<std::string> elf_path;
    bool force = false;
    bool reset_prompt = false;
    bool decimal = false;
    bool all_symbols = false;
    double interval_seconds = 0;
    std::optional<double> duration_seconds;
    std::optional<long long> sweeps;
    // watch: the fast line (62 500 baud, or 125 000 with --fast-line-rate 125000) unless
    // --no-fast-line; --verbose says the rate reached on standard error.
    bool no_fast_line = false;
    long fast_line_rate = 62500;
    bool verbose = false;
    double timeout_seconds = 10;  // run-to
    std::vector<std::string> operands;
};

struct ParsedArguments {
    Arguments arguments;
    // Why the command line is refused, one line without the program's name; empty when fine.
    std::string error;
    bool ok() const { return error.empty(); }
};

// `args` without the program's name. Options take their value as the next argument or after
// "=", may stand anywhere after the command, and "--" ends them.
ParsedArguments parse_arguments(std::span<const std::string> args);

std::string_view command_name(Command command);

// monitor's LINE: its operands joined by spaces; empty when it holds nothing but spaces.
std::string monitor_line(const Arguments& arguments);

}  // namespace halvane::cli
