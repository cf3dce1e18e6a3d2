// The check of a program file before it is sent, on any bytes a user may open: every bad line
// is listed once, in order, and the check of the whole file is the sum of the checks of its
// lines taken one by one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "download/program_check.h"
#include "fuzz_check.h"

using namespace halvane;

namespace {

bool has_no_ram(std::uint16_t address) {
    return (address >= 0x8000 && address <= 0xB5FF) || address >= 0xB800;
}

bool same(const ProgramFileCheck& a, const ProgramFileCheck& b) {
    if (a.bad_records.size() != b.bad_records.size()) return false;
    for (std::size_t i = 0; i < a.bad_records.size(); ++i) {
        if (a.bad_records[i].line != b.bad_records[i].line ||
            a.bad_records[i].reason != b.bad_records[i].reason)
            return false;
    }
    return a.bytes_without_ram == b.bytes_without_ram &&
           a.first_address_without_ram == b.first_address_without_ram;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const ProgramFileCheck check = check_program_file(file);

    // The lines, cut here independently: CR, LF and CR LF each end one.
    std::size_t lines = 0;
    std::size_t bad_in_lines = 0;
    std::size_t bytes_in_lines = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= file.size(); ++i) {
        if (i < file.size() && file[i] != '\r' && file[i] != '\n') continue;
        if (i == file.size() && start == file.size()) break;
        const ProgramFileCheck one = check_program_file(file.substr(start, i - start));
        ++lines;
        FUZZ_CHECK(one.bad_records.size() <= 1);
        if (!one.bad_records.empty()) {
            FUZZ_CHECK(one.bad_records.front().line == 1);
            FUZZ_CHECK(bad_in_lines < check.bad_records.size());
            FUZZ_CHECK(check.bad_records[bad_in_lines].line == lines);
            FUZZ_CHECK(check.bad_records[bad_in_lines].reason == one.bad_records.front().reason);
            ++bad_in_lines;
        }
        bytes_in_lines += one.bytes_without_ram;
        if (i + 1 < file.size() && file[i] == '\r' && file[i + 1] == '\n') ++i;
        start = i + 1;
    }
    FUZZ_CHECK(bad_in_lines == check.bad_records.size());
    FUZZ_CHECK(bytes_in_lines == check.bytes_without_ram);

    // Every data byte takes two hex digits, and the first address is one without RAM.
    FUZZ_CHECK(check.bytes_without_ram <= size / 2);
    FUZZ_CHECK(check.first_address_without_ram.has_value() == (check.bytes_without_ram > 0));
    if (check.first_address_without_ram) FUZZ_CHECK(has_no_ram(*check.first_address_without_ram));
    for (const BadRecordLine& bad : check.bad_records) FUZZ_CHECK(!bad.reason.empty());

    // A final line end changes nothing.
    FUZZ_CHECK(same(check, check_program_file(std::string(file) + "\n")));

    const auto bad_question = bad_records_question(check);
    const auto ram_question = no_ram_question(check);
    FUZZ_CHECK(bad_question.has_value() == !check.bad_records.empty());
    FUZZ_CHECK(ram_question.has_value() == (check.bytes_without_ram > 0));
    for (const auto& question : {bad_question, ram_question}) {
        if (question) {
            FUZZ_CHECK(question->starts_with("The program file "));
            FUZZ_CHECK(question->ends_with(". Download it anyway?"));
        }
    }
    return 0;
}
