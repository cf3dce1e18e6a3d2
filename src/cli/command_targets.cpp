#include "cli/command_targets.h"

#include <tuple>
#include <utility>

#include "cli/variable_names.h"

namespace halvane::cli {

namespace {

VariableNames::Loaded load_names(const Arguments& arguments) {
    if (arguments.map_path) return VariableNames::from_map(*arguments.map_path);
    if (arguments.elf_path) return VariableNames::from_elf(*arguments.elf_path);
    return {};
}

std::string value_rule(bool word, bool decimal) {
    if (decimal)
        return word ? "a decimal number from 0 to 65535" : "a decimal number from 0 to 255";
    return word ? "four hexadecimal digits for a word" : "two hexadecimal digits for a byte";
}

// Watch without operands: every name, as far as a grid's rows go.
void take_every_name(const VariableNames& names, bool from_elf, CommandTargets& result) {
    result.targets = names.every_name();
    if (result.targets.empty()) {
        result.error = names.source() + ": nothing to watch (it has no " +
                       (from_elf ? "data symbol" : "row with a Description and an Address") + ")";
        return;
    }
    if (result.targets.size() > kMaxTargets) {
        result.warnings.push_back("warning: watching the first " + std::to_string(kMaxTargets) +
                                  " of the " + std::to_string(result.targets.size()) +
                                  " names of " + names.source());
        result.targets.resize(kMaxTargets);
    }
}

}  // namespace

CommandTargets resolve_targets(const Arguments& arguments) {
    CommandTargets result;
    const VariableNames::Loaded loaded = load_names(arguments);
    if (!loaded.error.empty()) {
        result.error = loaded.error;
        return result;
    }
    const VariableNames& names = loaded.names;
    if (arguments.operands.empty()) {
        take_every_name(names, arguments.elf_path.has_value(), result);
        return result;
    }
    if (arguments.operands.size() > kMaxTargets) {
        result.error = "at most " + std::to_string(kMaxTargets) + " WHATs at once, not " +
                       std::to_string(arguments.operands.size());
        return result;
    }
    const bool write = arguments.command == Command::kWrite;
    for (const std::string& operand : arguments.operands) {
        std::string what = operand;
        std::string value;
        if (write) {
            auto assignment = split_assignment(operand);
            if (!assignment) {
                result.error = "'" + operand + "' is not WHAT=VALUE";
                return result;
            }
            std::tie(what, value) = std::move(*assignment);
        }
        VariableNames::Lookup found = names.find(what);
        if (!found.target) {
            result.error = found.error;
            return result;
        }
        if (write) {
            const bool word = found.target->word;
            std::optional<std::string> digits = value_digits(value, word, arguments.decimal);
            if (!digits) {
                result.error = "'" + value + "' is not a value for " + what + ": give " +
                               value_rule(word, arguments.decimal);
                return result;
            }
            result.values.push_back(std::move(*digits));
        }
        result.targets.push_back(std::move(*found.target));
    }
    return result;
}

}  // namespace halvane::cli
