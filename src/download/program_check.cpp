#include "download/program_check.h"

#include <cstdio>
#include <variant>

#include "srecord/srecord.h"

namespace halvane {
namespace {

// External RAM ends at 7FFF and the EEPROM is B600-B7FF; the rest of the upper half is
// empty, and E000-FFFF holds the monitor.
bool has_no_ram(std::uint16_t address) {
    return (address >= 0x8000 && address <= 0xB5FF) || address >= 0xB800;
}

bool is_blank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::string reason_for(const SRecordError& error, std::string_view line) {
    using Problem = SRecordError::Problem;
    switch (error.problem) {
        case Problem::kUnknownType:
        case Problem::kLongAddress:
            if (line[1] >= '0' && line[1] <= '9') {
                return std::string("record type S") + line[1] + " not used by the board";
            }
            return "not an S-record";
        case Problem::kNotARecord:
            return "not an S-record";
        case Problem::kOddDigitCount:
            return "odd number of hex digits";
        case Problem::kNotHexDigit:
            return "a character that is not a hex digit";
        case Problem::kTooShort:
            return "record too short";
        case Problem::kWrongByteCount:
            return "byte count does not match the record's length";
        case Problem::kBadChecksum:
            return "bad checksum";
    }
    return error.message;
}

}  // namespace

ProgramFileCheck check_program_file(std::string_view file) {
    ProgramFileCheck check;
    std::size_t line_number = 0;
    std::size_t start = 0;
    while (start < file.size()) {
        std::size_t end = file.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = file.size();
        const std::string_view line = file.substr(start, end - start);
        start = end + 1;
        if (end + 1 < file.size() && file[end] == '\r' && file[end + 1] == '\n') ++start;
        ++line_number;

        if (is_blank(line)) continue;
        const SRecordParse parsed = parse_srecord(line);
        if (const auto* error = std::get_if<SRecordError>(&parsed)) {
            check.bad_records.push_back({line_number, reason_for(*error, line)});
            continue;
        }
        const auto& record = std::get<SRecord>(parsed);
        if (record.kind != SRecord::Kind::kData) continue;
        // The monitor stores byte after byte, so a record running past FFFF wraps to 0000.
        std::uint16_t address = record.address;
        for (std::size_t i = 0; i < record.data.size(); ++i, ++address) {
            if (!has_no_ram(address)) continue;
            ++check.bytes_without_ram;
            if (!check.first_address_without_ram) check.first_address_without_ram = address;
        }
    }
    return check;
}

bool holds_s1_or_s9_record(std::string_view file) {
    for (std::size_t at = file.find('S'); at != std::string_view::npos;
         at = file.find('S', at + 1)) {
        const bool line_start = at == 0 || file[at - 1] == '\r' || file[at - 1] == '\n';
        if (line_start && at + 1 < file.size() && (file[at + 1] == '1' || file[at + 1] == '9'))
            return true;
    }
    return false;
}

std::optional<std::string> bad_records_question(const ProgramFileCheck& check) {
    if (check.bad_records.empty()) return std::nullopt;
    const BadRecordLine& first = check.bad_records.front();
    return "The program file has " + std::to_string(check.bad_records.size()) +
           " bad records (first: line " + std::to_string(first.line) + ", " + first.reason +
           "). Download it anyway?";
}

std::optional<std::string> no_ram_question(const ProgramFileCheck& check) {
    if (check.bytes_without_ram == 0 || !check.first_address_without_ram) return std::nullopt;
    char address[5];
    std::snprintf(address, sizeof address, "%04X", unsigned{*check.first_address_without_ram});
    return "The program file puts " + std::to_string(check.bytes_without_ram) +
           " bytes where the board has no RAM (first at " + address + "). Download it anyway?";
}

}  // namespace halvane
