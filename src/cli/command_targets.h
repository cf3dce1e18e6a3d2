#pragma once

#include <string>
#include <vector>

#include "cli/cli_arguments.h"
#include "cli/memory_target.h"

namespace halvane::cli {

// What read, write and watch work on, taken from their operands and names before anything is
// sent, so that a mistake in any of them sends nothing.
struct CommandTargets {
    std::vector<MemoryTarget> targets;
    std::vector<std::string> values;    // write: the digits written to each target
    std::vector<std::string> warnings;  // lines for standard error; the command goes on
    std::string error;                  // a usage or input error, one line; empty when fine
    bool ok() const { return error.empty(); }
};

// The targets of read, write or watch: each operand looked up in the names of --map or --elf
// (watch without operands takes every name), each VALUE of write checked against its width.
CommandTargets resolve_targets(const Arguments& arguments);

}  // namespace halvane::cli
