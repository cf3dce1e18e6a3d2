#include "cli/cli_arguments.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace halvane::cli {

namespace {

struct CommandInfo {
    Command command;
    std::string_view name;
};

constexpr std::array<CommandInfo, 9> kCommands = {{
    {Command::kPorts, "ports"},
    {Command::kDownload, "download"},
    {Command::kRead, "read"},
    {Command::kWrite, "write"},
    {Command::kWatch, "watch"},
    {Command::kMapFromSymbols, "map-from-symbols"},
    {Command::kMonitor, "monitor"},
    {Command::kRegisters, "registers"},
    {Command::kRunTo, "run-to"},
}};

enum class Option {
    kPort,
    kForce,
    kResetPrompt,
    kMap,
    kElf,
    kDecimal,
    kInterval,
    kDuration,
    kSweeps,
    kAllSymbols,
    kNoFastLine,
    kFastLineRate,
    kVerbose,
    kTimeout
};

// The commands an option belongs to, one bit each.
constexpr unsigned bit(Command command) {
    return 1u << static_cast<unsigned>(command);
}
constexpr unsigned kBoardCommands =
    bit(Command::kDownload) | bit(Command::kRead) | bit(Command::kWrite) | bit(Command::kWatch) |
    bit(Command::kMonitor) | bit(Command::kRegisters) | bit(Command::kRunTo);
constexpr unsigned kMemoryCommands =
    bit(Command::kRead) | bit(Command::kWrite) | bit(Command::kWatch);

struct OptionInfo {
    Option option;
    std::string_view name;
    bool takes_value;
    unsigned commands;
};

constexpr std::array<OptionInfo, 14> kOptions = {{
    {Option::kPort, "--port", true, kBoardCommands},
    {Option::kForce, "--force", false, bit(Command::kDownload)},
    {Option::kResetPrompt, "--reset-prompt", false, bit(Command::kDownload)},
    {Option::kMap, "--map", true, kMemoryCommands},
    {Option::kElf, "--elf", true, kMemoryCommands | bit(Command::kRunTo)},
    {Option::kDecimal, "--decimal", false, bit(Command::kWrite)},
    {Option::kInterval, "--interval", true, bit(Command::kWatch)},
    {Option::kDuration, "--duration", true, bit(Command::kWatch)},
    {Option::kSweeps, "--sweeps", true, bit(Command::kWatch)},
    {Option::kAllSymbols, "--all-symbols", false, bit(Command::kMapFromSymbols)},
    {Option::kNoFastLine, "--no-fast-line", false, bit(Command::kWatch)},
    {Option::kFastLineRate, "--fast-line-rate", true, bit(Command::kWatch)},
    {Option::kVerbose, "--verbose", false, bit(Command::kWatch)},
    {Option::kTimeout, "--timeout", true, bit(Command::kRunTo)},
}};

std::optional<Command> command_named(std::string_view name) {
    for (const CommandInfo& info : kCommands) {
        if (info.name == name) return info.command;
    }
    return std::nullopt;
}

const OptionInfo* option_named(std::string_view name) {
    for (const OptionInfo& info : kOptions) {
        if (info.name == name) return &info;
    }
    return nullptr;
}

bool belongs_to(const OptionInfo& info, Command command) {
    return (info.commands & bit(command)) != 0;
}

bool is_help(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}

// Seconds as a plain decimal number ("0.5", "2", "1e-1"), never negative, infinite or NaN.
std::optional<double> seconds_value(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<long long> count_value(std::string_view text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1) return std::nullopt;
    return value;
}

// Takes one option and its value into `arguments`; returns why it is refused, or nothing.
std::string take_option(const OptionInfo& info, const std::string& value, Arguments& arguments) {
    const std::string name(info.name);
    auto once = [&](auto& field) -> std::string {
        if (field) return name + " is given twice";
        field = value;
        return {};
    };
    auto flag = [&](bool& field) -> std::string {
        if (field) return name + " is given twice";
        field = true;
        return {};
    };
    switch (info.option) {
        case Option::kPort:
            return once(arguments.port);
        case Option::kMap:
            return once(arguments.map_path);
        case Option::kElf:
            return once(arguments.elf_path);
        case Option::kForce:
            return flag(arguments.force);
        case Option::kResetPrompt:
            return flag(arguments.reset_prompt);
        case Option::kDecimal:
            return flag(arguments.decimal);
        case Option::kAllSymbols:
            return flag(arguments.all_symbols);
        case Option::kNoFastLine:
            return flag(arguments.no_fast_line);
        case Option::kVerbose:
            return flag(arguments.verbose);
        case Option::kFastLineRate:
            if (value == "62500" || value == "125000") {
                arguments.fast_line_rate = value == "62500" ? 62500 : 125000;
                return {};
            }
            return name + " takes 62500 or 125000, not '" + value + "'";
        case Option::kInterval: {
            const std::optional<double> seconds = seconds_value(value);
            if (!seconds) return name + " takes seconds (0 or more), not '" + value + "'";
            arguments.interval_seconds = *seconds;
            return {};
        }
        case Option::kDuration: {
            const std::optional<double> seconds = seconds_value(value);
            if (!seconds || *seconds <= 0)
                return name + " takes seconds (more than 0), not '" + value + "'";
            arguments.duration_seconds = *seconds;
            return {};
        }
        case Option::kTimeout: {
            const std::optional<double> seconds = seconds_value(value);
            if (!seconds || *seconds <= 0)
                return name + " takes seconds (more than 0), not '" + value + "'";
            arguments.timeout_seconds = *seconds;
            return {};
        }
        case Option::kSweeps: {
            const std::optional<long long> count = count_value(value);
            if (!count) return name + " takes a whole number from 1, not '" + value + "'";
            arguments.sweeps = *count;
            return {};
        }
    }
    return {};
}

// What each command needs of its operands and options together.
}  // namespace

std::string monitor_line(const Arguments& arguments) {
    std::string line;
    for (const std::string& operand : arguments.operands) {
        if (operand.empty()) continue;
        line += (line.empty() ? "" : " ") + operand;
    }
    return line.find_first_not_of(' ') == std::string::npos ? std::string() : line;
}

namespace {

std::string check_operands(const Arguments& a) {
    const std::string name(command_name(*a.command));
    const std::size_t count = a.operands.size();
    if (a.map_path && a.elf_path) return "--map and --elf exclude each other";
    if (a.duration_seconds && a.sweeps) return "--duration and --sweeps exclude each other";
    switch (*a.command) {
        case Command::kPorts:
            if (count > 0) return "ports takes no operand, not '" + a.operands[0] + "'";
            break;
        case Command::kDownload:
            if (count != 1) return "download takes one PROGRAM.s19";
            break;
        case Command::kMapFromSymbols:
            if (count != 1) return "map-from-symbols takes one PROGRAM.elf";
            break;
        case Command::kRead:
            if (count == 0) return "read needs at least one WHAT";
            break;
        case Command::kWrite:
            if (count == 0) return "write needs at least one WHAT=VALUE";
            break;
        case Command::kWatch:
            if (count == 0 && !a.map_path && !a.elf_path)
                return "watch needs WHATs, or --map or --elf to watch every name";
            break;
        case Command::kRegisters:
            if (count > 0) return "registers takes no operand, not '" + a.operands[0] + "'";
            break;
        case Command::kRunTo:
            if (count != 1) return "run-to takes one WHAT: an address, or a symbol with --elf";
            break;
        case Command::kMonitor:
            // A bare CR would repeat the monitor's last command.
            if (monitor_line(a).empty())
                return "monitor needs a LINE to send (an empty one repeats the last command)";
            break;
    }
    return {};
}

// --help and --version win over everything else on the line, so that a half-written command
// line still shows what it may hold.
std::optional<ParsedArguments> help_or_version(std::span<const std::string> args) {
    ParsedArguments parsed;
    bool help = false;
    bool version = false;
    for (const std::string& arg : args) {
        if (arg == "--") break;
        help = help || is_help(arg);
        version = version || arg == "--version";
        if (!arg.starts_with("-") && !parsed.arguments.command)
            parsed.arguments.command = command_named(arg);
    }
    if (help) {
        parsed.arguments.request = Arguments::Request::kHelp;
        return parsed;
    }
    if (version) {
        parsed.arguments = {};
        parsed.arguments.request = Arguments::Request::kVersion;
        return parsed;
    }
    return std::nullopt;
}

}  // namespace

std::string_view command_name(Command command) {
    for (const CommandInfo& info : kCommands) {
        if (info.command == command) return info.name;
    }
    return {};
}

ParsedArguments parse_arguments(std::span<const std::string> args) {
    if (std::optional<ParsedArguments> text_only = help_or_version(args)) return *text_only;

    ParsedArguments parsed;
    Arguments& a = parsed.arguments;
    const std::string see_help = " (" + std::string(kProgram) + " --help lists the commands)";
    bool options_ended = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!options_ended && arg == "--") {
            options_ended = true;
            continue;
        }
        if (options_ended || !arg.starts_with("-") || arg == "-") {
            if (a.command) {
                a.operands.push_back(arg);
                continue;
            }
            a.command = command_named(arg);
            if (!a.command) {
                parsed.error = "unknown command '" + arg + "'" + see_help;
                return parsed;
            }
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionInfo* info = option_named(name);
        if (!a.command) {
            parsed.error = "no command before " + name + see_help;
            return parsed;
        }
        const std::string command(command_name(*a.command));
        if (info == nullptr || !belongs_to(*info, *a.command)) {
            parsed.error = command + " does not take " + name + " (" + std::string(kProgram) + " " +
                           command + " --help lists its options)";
            return parsed;
        }
        std::string value;
        if (info->takes_value) {
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                parsed.error = name + " needs a value";
                return parsed;
            }
        } else if (equals != std::string::npos) {
            parsed.error = name + " takes no value";
            return parsed;
        }
        parsed.error = take_option(*info, value, a);
        if (!parsed.ok()) return parsed;
    }
    if (!a.command) {
        parsed.error = "no command given" + see_help;
        return parsed;
    }
    parsed.error = check_operands(a);
    return parsed;
}

}  // namespace halvane::cli
