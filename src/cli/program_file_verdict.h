#pragma once

#include <string>
#include <vector>

namespace halvane::cli {

// What download thinks of a program file before it sends anything.
struct ProgramFileVerdict {
    std::string unreadable;             // why the file cannot be read; empty when it was read
    std::vector<std::string> problems;  // what the check found, each a few words
};

// Reads the file at `path` and checks it as File > Open does: bad records, bytes where the
// board has no RAM, and whether it holds an S1 or S9 record at all.
ProgramFileVerdict judge_program_file(const std::string& path);

}  // namespace halvane::cli
