#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace boardsim {

// One decoded Motorola S-record line.
struct SRecord {
    enum class Kind { kHeader, kData, kCount, kEnd };
    Kind kind = Kind::kData;
    std::uint16_t address = 0;
    std::vector<std::uint8_t> data;  // payload after the address, checksum excluded
};

// Why a line is not a usable record, in words for the monitor's error line.
struct SRecordError {
    std::string message;
};

using SRecordParse = std::variant<SRecord, SRecordError>;

// Decodes one line (without its line end). Accepts S0 header, S1 data, S5 count and S9 end
// records with 16-bit addresses; hexadecimal digits of either case; trailing spaces. The byte
// count must match the line's length and the checksum must be right.
SRecordParse parse_srecord(std::string_view line);

}  // namespace boardsim
