// The addresses of a program listing's lines: the example's listing joined with its ELF file's
// line table (its included responder too), listings of absolute addresses, and the reasons a
// listing's lines have none.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fakes/test_files.h"
#include "srecord/srecord.h"
#include "symbols/listing_address_map.h"
#include "symbols/program_lines.h"

namespace halvane {
namespace {

using Status = ListingAddressMap::Status;
using fakes::read_bytes;

const std::string kExamples = HALVANE_EXAMPLES_DIR;

// As another assembler prints it, with an included file whose numbers start again at 1.
constexpr std::string_view kNumbered =
    "  1                  ; blink\n"
    "  2 2400 8E 01 FF    start  lds #$01FF\r\n"
    "  3                         include \"io.inc\"\n"
    "  1 2403 86 01              ldaa #1\n"
    "  4 2405             loop\n"
    "  5 2405 20 FE              bra loop\n"
    "  6 2407 01 02       table  fcb 1,2\n";
constexpr std::string_view kBare =
    "2400 8E 01 FF      lds  #$01FF\n"
    "2403 39 rts\n";
// GNU as's layout with its page heading, joined with rows made here: a five-byte instruction
// whose last byte is on a line of its own, data in a pushed section, an empty included file
// and one with code and data.
constexpr std::string_view kGnu =
    "M68HC11 GAS  rom.s \t\t\tpage 1\n"
    "\n"
    "   1                 \t        .section .rom,\"ax\"\n"
    "   2 0000 18 1E 00 80 \t        brset 0,y,#0x80,here\n"
    "   2      FB \n"
    "   3                 \t        .pushsection .data\n"
    "   4 0000 01          \there:   .byte 1\n"
    "   5                 \t        .popsection\n"
    "   6 0005 39          \t        rts\n"
    "   7                 \t        .include \"empty.s\"\n"
    "   8                 \t        .include \"io.s\"\n"
    "   1 0006 01          \ttable:  .byte 1\n"
    "   2 0007 86 01       \t        ldaa #1\n"
    "   9 0009 39          \t        rts\n";
// Its rows: io.s's line 2 and the one of another file at line 6 are outvoted as places of
// rom.s's lines 2 and 6.
const std::vector<SourceLine> kGnuRows = {{"rom.s", 2, 0x8000},
                                          {"rom.s", 6, 0x8005},
                                          {"io.s", 2, 0x8007},
                                          {"rom.s", 9, 0x8009},
                                          {"other.s", 6, 0x9000}};

ProgramLines rows_only(std::vector<SourceLine> rows) {
    ProgramLines program;
    program.present = true;
    program.table.status = LineTable::Status::kRead;
    program.table.rows = std::move(rows);
    return program;
}

struct Case {
    const char* what;
    const ListingAddressMap& map;
    int line;                             // listing line, from 1
    std::optional<std::uint16_t> code;    // its address as code
    std::optional<std::uint16_t> data;    // its address as data
    const char* included = nullptr;       // the file it comes from, if included
    std::optional<std::uint16_t> inside;  // an address inside its bytes
};

TEST(ListingAddresses, LinesMapToTheirAddressesAndBack) {
    const std::string listing = read_bytes(kExamples + "/counter.lst");
    const auto with_lines = map_program_listing(listing, kExamples + "/counter.elf");
    const auto without_lines = map_program_listing(
        listing, std::string(HALVANE_TEST_ELF_DIR) + "/counter_without_lines.elf");
    const auto without_elf = map_program_listing(listing, "");
    const auto numbered = map_program_listing(kNumbered, "");
    const auto bare = map_program_listing(kBare, "");
    ProgramLines rom = rows_only(kGnuRows);
    rom.symbols = {{"here", 0x3000, 1, false}};
    const auto gnu = map_listing_addresses(parse_listing(kGnu), rom);
    const auto stale =
        map_listing_addresses(parse_listing(kGnu), rows_only({{"rom.s", 7, 0x8000}}));
    // Where a line table is there, it tells code from data in a listing of addresses too.
    const auto numbered_with_rows =
        map_listing_addresses(parse_listing(kNumbered), rows_only({{"blink.s", 6, 0x2407}}));
    const auto numbered_bad_elf = map_program_listing(kNumbered, kExamples + "/counter.s");
    const auto bad_elf = map_program_listing(listing, kExamples + "/counter.s");
    const auto no_code = map_program_listing("  1   ; nothing but words\n", "");

    // Addresses as m68hc11-objdump -d counter.elf shows them.
    const std::vector<Case> cases = {
        {"the example's first instruction", with_lines, 30, 0x2406, {}, nullptr, 0x2408},
        {"the example's addd", with_lines, 43, 0x2424, {}, nullptr, 0x2425},
        {"the responder's first instruction", with_lines, 146, 0x242C, {}, "responder_irq.s", {}},
        {"the responder's interrupt handler", with_lines, 170, 0x2456, {}, "responder_irq.s", {}},
        {"a label alone", with_lines, 38, {}, {}, nullptr, {}},
        {"a comment in the responder", with_lines, 48, {}, {}, "responder_irq.s", {}},
        {"a variable among the responder's code",
         with_lines,
         451,
         {},
         0x2641,
         "responder_irq.s",
         {}},
        {"a variable in .data, placed by its symbol", with_lines, 20, {}, 0x2402, nullptr, {}},
        {"no line information", without_lines, 30, {}, {}, nullptr, {}},
        {"no ELF file", without_elf, 146, {}, {}, "responder_irq.s", {}},
        {"absolute addresses", numbered, 2, 0x2400, {}, nullptr, 0x2402},
        {"absolute addresses in an included file", numbered, 4, 0x2403, {}, "io.inc", {}},
        {"back from the included file", numbered, 6, 0x2405, {}, nullptr, {}},
        {"an address without bytes", numbered, 5, {}, {}, nullptr, {}},
        {"a data directive", numbered, 7, {}, 0x2407, nullptr, {}},
        {"addresses without line numbers", bare, 2, 0x2403, {}, nullptr, {}},
        {"after a page heading", gnu, 4, 0x8000, {}, nullptr, 0x8004},
        {"a continuation line itself", gnu, 5, {}, {}, nullptr, {}},
        {"data in a pushed section, placed by its symbol", gnu, 7, {}, 0x3000, nullptr, {}},
        {"back in the section before", gnu, 9, 0x8005, {}, nullptr, {}},
        {"data in an included file", gnu, 12, {}, 0x8006, "io.s", {}},
        {"code in an included file", gnu, 13, 0x8007, {}, "io.s", 0x8008},
        {"back from two included files", gnu, 14, 0x8009, {}, nullptr, {}},
        {"a line table's code in a listing of addresses",
         numbered_with_rows,
         7,
         0x2407,
         {},
         nullptr,
         {}},
        {"and its data", numbered_with_rows, 2, {}, 0x2400, nullptr, {}},
        {"a listing of addresses needs no readable ELF file",
         numbered_bad_elf,
         2,
         0x2400,
         {},
         nullptr,
         {}},
        {"a listing of another program", stale, 4, {}, {}, nullptr, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.map.address_of(c.line), c.code);
        const auto place = c.map.place_of(c.line);
        EXPECT_EQ(place.has_value(), c.code || c.data);
        if (c.data) {
            EXPECT_EQ(place, (ListingPlace{*c.data, place ? place->size : 0, false}));
        }
        if (c.code) {
            EXPECT_EQ(c.map.line_of(*c.code), c.line);
        }
        if (c.inside) {
            EXPECT_EQ(c.map.line_of(*c.inside), c.line);
        }
        EXPECT_EQ(c.map.included_file(c.line),
                  c.included ? std::optional<std::string_view>(c.included) : std::nullopt);
    }

    // Addresses between instructions or among data belong to no line of code.
    EXPECT_EQ(with_lines.line_of(0x2402), std::nullopt);
    EXPECT_EQ(with_lines.line_of(0x2641), std::nullopt);
    EXPECT_EQ(gnu.line_of(0x8006), std::nullopt);

    const std::map<const ListingAddressMap*, std::pair<Status, std::string>> reasons = {
        {&with_lines, {Status::kMapped, ""}},
        {&without_lines,
         {Status::kNoLineInformation,
          "the program has no line information: assemble it with --gdwarf2"}},
        {&without_elf,
         {Status::kNoProgramFile,
          "the listing's lines have no addresses without the program's ELF file"}},
        {&numbered, {Status::kMapped, ""}},
        {&bad_elf, {Status::kProgramUnreadable, kExamples + "/counter.s is not an ELF file"}},
        {&no_code, {Status::kNoCode, "the listing shows no code"}},
        {&stale,
         {Status::kNotThisProgram,
          "the listing does not match the program's line information: assemble it again"}},
    };
    for (const auto& [map, reason] : reasons) {
        EXPECT_EQ(map->status(), reason.first) << reason.second;
        EXPECT_EQ(map->reason(), reason.second);
        EXPECT_EQ(map->empty(), reason.first != Status::kMapped);
    }
}

TEST(ListingAddresses, TheLineTableIsReadOrSaysWhyNot) {
    const std::string elf = read_bytes(kExamples + "/counter.elf");
    const LineTable table = read_line_table(elf);
    ASSERT_TRUE(table.ok()) << table.error_text;
    ASSERT_EQ(table.rows.size(), std::size_t{258});
    EXPECT_EQ(table.rows.front(), (SourceLine{"./counter.s", 30, 0x2406}));
    EXPECT_EQ(table.rows.back(), (SourceLine{"./responder_irq.s", 397, 0x263E}));

    EXPECT_EQ(read_line_table(
                  read_bytes(std::string(HALVANE_TEST_ELF_DIR) + "/counter_without_lines.elf"))
                  .status,
              LineTable::Status::kNoLineInformation);
    const LineTable cut = read_line_table(elf.substr(0, elf.size() / 2));
    EXPECT_EQ(cut.status, LineTable::Status::kDamaged);
    EXPECT_EQ(cut.error_text, "the program's ELF file ends early");
    EXPECT_TRUE(cut.rows.empty());
}

// The whole path once: every line of code of the example sits where the program's S-records
// hold its opcode, and its source position leads back to it.
TEST(ListingAddresses, EveryLineOfTheExamplesCodeHoldsItsOpcodeInTheProgram) {
    const std::string listing = read_bytes(kExamples + "/counter.lst");
    const auto map = map_program_listing(listing, kExamples + "/counter.elf");
    std::map<std::uint16_t, std::uint8_t> program;
    for (const SRecord& record : data_records(read_bytes(kExamples + "/counter.s19"))) {
        for (std::size_t i = 0; i < record.data.size(); ++i)
            program[static_cast<std::uint16_t>(record.address + i)] = record.data[i];
    }

    int line = 0;
    int code = 0;
    for (std::size_t start = 0; start < listing.size(); start = listing.find('\n', start) + 1) {
        ++line;
        const auto address = map.address_of(line);
        if (!address) continue;
        ++code;
        // "  30 0000 8E 01 FF ...": the first byte starts in column 11.
        const int opcode = std::stoi(listing.substr(start + 10, 2), nullptr, 16);
        EXPECT_EQ(program[*address], opcode) << "listing line " << line;
        EXPECT_EQ(map.listing_line_of(*map.source_of(line)), line);
    }
    EXPECT_EQ(code, map.code_lines());
    EXPECT_EQ(code, 258);  // the line table's rows: one for every instruction up to 263E
}

}  // namespace
}  // namespace halvane
