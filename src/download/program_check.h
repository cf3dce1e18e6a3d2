#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvane {

// A line of a program file that the board's monitor would reject.
struct BadRecordLine {
    std::size_t line = 0;  // counted from 1
    std::string reason;    // a few words, e.g. "bad checksum"
};

// What reading a program file as S-records found before it is sent to the board.
struct ProgramFileCheck {
    // Every line that is neither blank nor a valid S0, S1, S5 or S9 record, in file order.
    std::vector<BadRecordLine> bad_records;
    // Data bytes of valid S1 records where the board has no memory (8000-B5FF, B800-DFFF) or
    // where its monitor ROM is (E000-FFFF), and the first such address in file order.
    std::size_t bytes_without_ram = 0;
    std::optional<std::uint16_t> first_address_without_ram;
};

// Reads `file` (the program file's bytes) line by line, as the board's monitor will: a line
// ends at LF, CR LF or a lone CR, and the last line needs no line end.
ProgramFileCheck check_program_file(std::string_view file);

// Whether the file holds an S1 or S9 record: "S1" or "S9" at the start of the file or just after
// a CR or LF, whatever follows. The download notes the same while it sends the file, so a file
// without one is not what the monitor loads as a program.
bool holds_s1_or_s9_record(std::string_view file);

// "The program file has N bad records (first: line L, reason). Download it anyway?", or
// nothing when every line is fine.
std::optional<std::string> bad_records_question(const ProgramFileCheck& check);

// "The program file puts N bytes where the board has no RAM (first at AAAA). Download it
// anyway?", or nothing when every byte lands in RAM (or the EEPROM).
std::optional<std::string> no_ram_question(const ProgramFileCheck& check);

}  // namespace halvane
