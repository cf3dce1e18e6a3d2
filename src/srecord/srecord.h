#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace halvane {

// One decoded Motorola S-record line.
struct SRecord {
    enum class Kind { kHeader, kData, kCount, kEnd };
    Kind kind = Kind::kData;
    std::uint16_t address = 0;
    std::vector<std::uint8_t> data;  // payload after the address, checksum excluded
};

// Why a line is not a usable record: the kind, for callers that word it themselves, and a
// message with the details, as the board's monitor reports it.
struct SRecordError {
    enum class Problem {
        kNotARecord,      // does not start with S and a type digit
        kUnknownType,     // S4, S6 or a character that is no type
        kLongAddress,     // S2, S3, S7, S8: addresses beyond FFFF
        kOddDigitCount,   // half a byte at the end
        kNotHexDigit,     // a character that is not a hex digit
        kTooShort,        // not even a count, an address and a checksum
        kWrongByteCount,  // the count does not match the line's length
        kBadChecksum,
    };
    Problem problem = Problem::kNotARecord;
    std::string message;
};

using SRecordParse = std::variant<SRecord, SRecordError>;

// Decodes one line (without its line end). Accepts S0 header, S1 data, S5 count and S9 end
// records with 16-bit addresses; hexadecimal digits of either case; trailing spaces. The byte
// count must match the line's length and the checksum must be right.
SRecordParse parse_srecord(std::string_view line);

// The data records (S1) of a whole S-record text, in file order; lines that are not valid
// records are left out. Lines end in LF, CR LF or CR.
std::vector<SRecord> data_records(std::string_view text);

// The data records of the S-record file at `path`; std::nullopt when it cannot be read.
std::optional<std::vector<SRecord>> read_data_records(const std::string& path);

}  // namespace halvane
