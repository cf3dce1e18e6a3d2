#include "srecord/srecord.h"

#include <fstream>
#include <iterator>
#include <utility>

#include "text/hex_digits.h"

namespace halvane {
namespace {

using Problem = SRecordError::Problem;

std::string hex_byte(unsigned value) {
    return hex_text(value, 2);
}

SRecordError error(SRecordError::Problem problem, std::string message) {
    return SRecordError{problem, std::move(message)};
}

}  // namespace

SRecordParse parse_srecord(std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (line.size() < 2 || (line[0] != 'S' && line[0] != 's'))
        return error(Problem::kNotARecord, "not an S-record");

    SRecord record;
    switch (line[1]) {
        case '0':
            record.kind = SRecord::Kind::kHeader;
            break;
        case '1':
            record.kind = SRecord::Kind::kData;
            break;
        case '5':
            record.kind = SRecord::Kind::kCount;
            break;
        case '9':
            record.kind = SRecord::Kind::kEnd;
            break;
        case '2':
        case '3':
        case '7':
        case '8':
            return error(Problem::kLongAddress,
                         std::string("S") + line[1] + " records need addresses beyond FFFF");
        default:
            return error(Problem::kUnknownType, "unknown record type");
    }

    const std::string_view digits = line.substr(2);
    if (digits.size() % 2 != 0) return error(Problem::kOddDigitCount, "odd number of hex digits");
    std::vector<std::uint8_t> bytes;
    bytes.reserve(digits.size() / 2);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = hex_digit_value(digits[i]);
        const int low = hex_digit_value(digits[i + 1]);
        if (high < 0 || low < 0) return error(Problem::kNotHexDigit, "not a hex digit");
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    // Count, two address bytes and the checksum at the least.
    if (bytes.size() < 4) return error(Problem::kTooShort, "record too short");
    if (bytes[0] != bytes.size() - 1) {
        return error(Problem::kWrongByteCount,
                     "byte count " + hex_byte(bytes[0]) + " does not match the line, which holds " +
                         hex_byte(static_cast<unsigned>(bytes.size() - 1)));
    }

    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
    const unsigned expected = ~sum & 0xFFu;
    if (bytes.back() != expected) {
        return error(Problem::kBadChecksum, "bad checksum " + hex_byte(bytes.back()) +
                                                ", should be " + hex_byte(expected));
    }

    record.address = static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]);
    record.data.assign(bytes.begin() + 3, bytes.end() - 1);
    return record;
}

std::vector<SRecord> data_records(std::string_view text) {
    std::vector<SRecord> records;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const SRecordParse parsed = parse_srecord(line);
        if (const auto* record = std::get_if<SRecord>(&parsed);
            record != nullptr && record->kind == SRecord::Kind::kData)
            records.push_back(*record);
    }
    return records;
}

std::optional<std::vector<SRecord>> read_data_records(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    return data_records(text);
}

}  // namespace halvane
