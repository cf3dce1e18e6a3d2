#include "cli/program_file_verdict.h"

#include <cstdint>

#include "download/program_check.h"
#include "text/hex_digits.h"
#include "text/whole_file.h"

namespace halvane::cli {

namespace {
// No program for the board comes near this size.
constexpr std::uintmax_t kProgramFileMax = std::uintmax_t{16} * 1024 * 1024;

std::string counted(std::size_t count, const std::string& thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}
}  // namespace

ProgramFileVerdict judge_program_file(const std::string& path) {
    ProgramFileVerdict verdict;
    const WholeFile file = read_whole_file(path, kProgramFileMax);
    if (file.status != WholeFile::Status::kRead) {
        verdict.unreadable = file.error_text;
        return verdict;
    }
    const ProgramFileCheck check = check_program_file(file.bytes);
    if (!check.bad_records.empty()) {
        const BadRecordLine& first = check.bad_records.front();
        verdict.problems.push_back(counted(check.bad_records.size(), "bad record") +
                                   " (first: line " + std::to_string(first.line) + ", " +
                                   first.reason + ")");
    }
    if (check.bytes_without_ram > 0 && check.first_address_without_ram) {
        verdict.problems.push_back(counted(check.bytes_without_ram, "byte") +
                                   " where the board has no RAM (first at " +
                                   hex_text(*check.first_address_without_ram, 4) + ")");
    }
    if (!holds_s1_or_s9_record(file.bytes)) verdict.problems.emplace_back("no S1 or S9 record");
    return verdict;
}

}  // namespace halvane::cli
