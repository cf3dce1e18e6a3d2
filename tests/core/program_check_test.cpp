#include "download/program_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace halvane {
namespace {

// A valid S1 record line for `data_hex` at `address`.
std::string s1(unsigned address, const std::string& data_hex) {
    const unsigned count = static_cast<unsigned>(data_hex.size() / 2 + 3);
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    for (std::size_t i = 0; i < data_hex.size(); i += 2)
        sum += std::stoul(data_hex.substr(i, 2), nullptr, 16);
    char head[16];
    char tail[4];
    std::snprintf(head, sizeof head, "S1%02X%04X", count, address);
    std::snprintf(tail, sizeof tail, "%02X", ~sum & 0xFF);
    return head + data_hex + tail;
}

std::string example_file() {
    std::ifstream in(HALVANE_EXAMPLES_DIR "/counter.s19", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ProgramCheck, ACleanFileAsksNothingWhateverItsLineEnds) {
    const std::string crlf = example_file();
    ASSERT_NE(crlf.find("\r\n"), std::string::npos);
    std::string lf;
    for (char c : crlf) {
        if (c != '\r') lf += c;
    }
    const std::string cr_only = s1(0x2400, "01") + "\r" + s1(0x2401, "02") + "\rS9030000FC";
    for (const std::string& file : {crlf, lf, lf.substr(0, lf.size() - 1), cr_only, std::string(),
                                    std::string("\r\n \t\n")}) {
        const ProgramFileCheck check = check_program_file(file);
        EXPECT_TRUE(check.bad_records.empty()) << file;
        EXPECT_EQ(check.bytes_without_ram, 0u);
        EXPECT_FALSE(bad_records_question(check));
        EXPECT_FALSE(no_ram_question(check));
    }
}

TEST(ProgramCheck, EveryBadLineIsListedWithItsNumberAndReason) {
    const std::string file = "S00600004844521B\r\n" +          // 1: header
                             s1(0x2400, "0102") + "\r\n" +     // 2
                             "S1052400010200\r\n" +            // 3: checksum
                             "\r\n" +                          // 4: blank
                             "hello\n" +                       // 5
                             "S2080124000102030400\n" +        // 6
                             "S1052400010\n" +                 // 7
                             "S10524G0010285\n" +              // 8
                             "S1062400010285\n" +              // 9: count
                             "S4032400D8\r" +                  // 10
                             "S5030001FB\r\n" + "S9030000FC";  // 11, 12 without line end
    const ProgramFileCheck check = check_program_file(file);
    const std::vector<std::pair<std::size_t, std::string>> expected = {
        {3, "bad checksum"},
        {5, "not an S-record"},
        {6, "record type S2 not used by the board"},
        {7, "odd number of hex digits"},
        {8, "a character that is not a hex digit"},
        {9, "byte count does not match the record's length"},
        {10, "record type S4 not used by the board"},
    };
    std::vector<std::pair<std::size_t, std::string>> found;
    for (const BadRecordLine& bad : check.bad_records) found.emplace_back(bad.line, bad.reason);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(bad_records_question(check),
              "The program file has 7 bad records (first: line 3, bad checksum). Download it "
              "anyway?");
    // Bad records load nothing, so they put nothing anywhere.
    EXPECT_FALSE(no_ram_question(check));
}

TEST(ProgramCheck, DataWhereTheBoardHasNoRamIsCountedFromItsFirstAddress) {
    const struct {
        std::string records;
        std::size_t bytes;
        std::optional<std::uint16_t> first;
    } cases[] = {
        {s1(0x7FFE, "01020304"), 2, 0x8000},  // external RAM ends at 7FFF
        {s1(0xB5FE, "01020304") + "\n" + s1(0xB7FF, "0102"), 3, 0xB5FE},  // EEPROM B600-B7FF
        {s1(0xDFFF, "0102"), 2, 0xDFFF},                            // nothing there, then the ROM
        {s1(0xFFFE, "01020304"), 2, 0xFFFE},                        // wraps round to 0000
        {s1(0xC000, "01") + "\n" + s1(0x9000, "0102"), 3, 0xC000},  // first in file order
        {s1(0x0000, "01") + "\n" + s1(0x1040, "02") + "\n" + s1(0xB600, "03"), 0, std::nullopt},
    };
    for (const auto& c : cases) {
        const ProgramFileCheck check = check_program_file(c.records);
        EXPECT_TRUE(check.bad_records.empty()) << c.records;
        EXPECT_EQ(check.bytes_without_ram, c.bytes) << c.records;
        EXPECT_EQ(check.first_address_without_ram, c.first) << c.records;
    }
    EXPECT_EQ(no_ram_question(check_program_file(s1(0xE000, "0A0B0C") + "\r\nS9030000FC\r\n")),
              "The program file puts 3 bytes where the board has no RAM (first at E000). "
              "Download it anyway?");
}

// The rule the download applies while it sends, so a file refused before sending is one the
// download would have warned about.
TEST(ProgramCheck, AnS1OrS9RecordCountsOnlyAtTheStartOfALine) {
    const struct {
        std::string file;
        bool holds;
    } cases[] = {
        {example_file(), true},
        {"S9030000FC", true},
        {"S00600004844521B\rS1", true},
        {"S00600004844521B\r\nS5030001FB\r\n", false},
        {" S9030000FC\nxS1", false},
        {"s9030000fc", false},
        {"S", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(holds_s1_or_s9_record(c.file), c.holds) << c.file;
}

}  // namespace
}  // namespace halvane
