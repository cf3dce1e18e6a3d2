#include "core/memory_file.h"

#include <cstdio>
#include <span>
#include <vector>

#include "srecord/srecord.h"

namespace boardsim {

using halvane::parse_srecord;
using halvane::SRecord;
using halvane::SRecordError;
using halvane::SRecordParse;

namespace {

std::string hex4(unsigned value) {
    char text[5];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

struct Region {
    const char* name;  // "ROM", "EEPROM"
    unsigned first;
    std::size_t size;
};

// Fills `bytes` (FF where the file says nothing) and `given` from the file's S-records; returns
// an error message, or an empty string.
std::string read_records(std::string_view contents, const Region& region,
                         std::span<std::uint8_t> bytes, std::vector<bool>& given) {
    const unsigned last = region.first + static_cast<unsigned>(region.size) - 1;
    unsigned line_number = 0;
    unsigned data_records = 0;
    while (!contents.empty()) {
        const std::size_t end = contents.find('\n');
        std::string_view line = contents.substr(0, end);
        contents.remove_prefix(end == std::string_view::npos ? contents.size() : end + 1);
        ++line_number;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        const SRecordParse parsed = parse_srecord(line);
        if (const auto* error = std::get_if<SRecordError>(&parsed)) {
            return "line " + std::to_string(line_number) + ": " + error->message;
        }
        const auto& record = std::get<SRecord>(parsed);
        if (record.kind != SRecord::Kind::kData) continue;
        ++data_records;
        unsigned address = record.address;
        for (const std::uint8_t value : record.data) {
            if (address < region.first || address > last) {
                return "line " + std::to_string(line_number) + ": data at " + hex4(address) +
                       " lies outside the " + region.name + " (" + hex4(region.first) + "-" +
                       hex4(last) + ")";
            }
            bytes[address - region.first] = value;
            given[address - region.first] = true;
            ++address;
        }
    }
    if (data_records == 0) return "the S-records hold no data (no S1 record)";
    return {};
}

template <std::size_t N>
std::variant<std::array<std::uint8_t, N>, std::string> read_image(std::string_view contents,
                                                                  const Region& region,
                                                                  std::vector<bool>& given) {
    std::array<std::uint8_t, N> bytes;
    if (contents.size() == N) {
        for (std::size_t i = 0; i < N; ++i) bytes[i] = static_cast<std::uint8_t>(contents[i]);
        given.assign(N, true);
        return bytes;
    }
    const std::size_t start = contents.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || (contents[start] != 'S' && contents[start] != 's')) {
        return "a " + std::string(region.name) + " image is " + std::to_string(N) + " bytes of " +
               hex4(region.first) + "-" + hex4(region.first + static_cast<unsigned>(N) - 1) +
               " or S-records; this file has " + std::to_string(contents.size()) + " bytes";
    }
    bytes.fill(0xFF);
    given.assign(N, false);
    if (std::string error = read_records(contents, region, bytes, given); !error.empty()) {
        return error;
    }
    return bytes;
}

}  // namespace

std::variant<hc11::RomImage, std::string> read_rom_image(std::string_view contents) {
    constexpr Region rom{"ROM", hc11::board_map::MONITOR_ROM, hc11::board_map::MONITOR_ROM_SIZE};
    std::vector<bool> given;
    auto image = read_image<hc11::board_map::MONITOR_ROM_SIZE>(contents, rom, given);
    constexpr std::size_t reset_vector = hc11::vector::RESET - hc11::board_map::MONITOR_ROM;
    if (std::holds_alternative<hc11::RomImage>(image) &&
        !(given[reset_vector] && given[reset_vector + 1])) {
        return std::string("the S-records leave out the reset vector (FFFE-FFFF)");
    }
    return image;
}

std::variant<hc11::EepromImage, std::string> read_eeprom_image(std::string_view contents) {
    constexpr Region eeprom{"EEPROM", hc11::board_map::EEPROM, hc11::board_map::EEPROM_SIZE};
    std::vector<bool> given;
    return read_image<hc11::board_map::EEPROM_SIZE>(contents, eeprom, given);
}

}  // namespace boardsim
